#pragma once

#include "SampleFormatter.h"

#include <string_view>

namespace Quorvel::Cli {

// The flat map, one "member=value" line per entry in key order, an empty line after each
// sample. Line breaks and backslashes inside values are escaped so that every entry stays on
// its line.
class KeyValueFormatter : public SampleFormatter {
 public:
  bool ReadsJson() const override { return false; }
  std::string Format(const DeliveredSample& sample) const override;

  static std::string EscapeValue(std::string_view value);
};

}  // namespace Quorvel::Cli
