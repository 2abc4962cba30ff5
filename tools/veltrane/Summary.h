#pragma once

#include <quorvel/EngineStatistics.h>

#include <cstdint>
#include <map>
#include <string>

namespace Quorvel::Cli {

// The end-of-run report on standard error: user samples by topic, what was written, discovery
// samples, what was read, and every drop reason that occurred. One "label  value" per line.
struct RunFigures {
  EngineStatistics statistics;
  std::map<std::string, std::uint64_t> userSamplesByTopic;
  std::uint64_t samplesWritten = 0;
  std::string stopReason;  // empty when the run ended by itself
};

std::string FormatSummary(const RunFigures& figures);

}  // namespace Quorvel::Cli
