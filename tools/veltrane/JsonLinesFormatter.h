#pragma once

#include "SampleFormatter.h"

namespace Quorvel::Cli {

// One compact JSON document per line, exactly as the engine built it.
class JsonLinesFormatter : public SampleFormatter {
 public:
  bool ReadsJson() const override { return true; }
  std::string Format(const DeliveredSample& sample) const override;
};

}  // namespace Quorvel::Cli
