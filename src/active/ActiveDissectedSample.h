#pragma once

// A sample dissected from what the engine's own DDS readers received.

#include "dissection/DissectedSample.h"

namespace Quorvel {

class ActiveDissectedSample : public DissectedSample {
 public:
  using DissectedSample::DissectedSample;
  DissectedSampleSource Type() const override { return DissectedSampleSource::ACTIVE; }
};

}  // namespace Quorvel
