#include "JsonLinesFormatter.h"

namespace Quorvel::Cli {

std::string JsonLinesFormatter::Format(const DeliveredSample& sample) const {
  return *sample.json + '\n';
}

}  // namespace Quorvel::Cli
