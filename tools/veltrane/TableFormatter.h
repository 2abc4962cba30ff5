#pragma once

#include "SampleFormatter.h"

namespace Quorvel::Cli {

// For reading on a terminal: a title line per sample (number, topic, source time), then its
// data members and their values in two aligned columns. The metadata other than the title's
// is left out; the other formats carry all of it.
class TableFormatter : public SampleFormatter {
 public:
  bool ReadsJson() const override { return false; }
  std::string Format(const DeliveredSample& sample) const override;
};

}  // namespace Quorvel::Cli
