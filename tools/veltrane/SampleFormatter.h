#pragma once

#include "Options.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Quorvel::Cli {

// One sample as the engine delivered it: JSON text or a flat map, whichever the formatter
// asked the engine for.
struct DeliveredSample {
  const std::string* json = nullptr;
  const std::map<std::string, std::string>* fields = nullptr;
  std::string topic;
  bool discovery = false;
  std::uint64_t number = 0;  // 1 for the first sample written
};

// Turns one sample into the text written for it.
class SampleFormatter {
 public:
  virtual ~SampleFormatter() = default;
  // True when the formatter reads the JSON text, false when it reads the flat map.
  virtual bool ReadsJson() const = 0;
  virtual std::string Format(const DeliveredSample& sample) const = 0;
};

std::unique_ptr<SampleFormatter> MakeSampleFormatter(OutputFormat format);

}  // namespace Quorvel::Cli
