#pragma once

#include <quorvel/EngineStatistics.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

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

// Every drop reason of the statistics with its label, in report order.
std::vector<std::pair<std::string, std::uint64_t>> DropReasons(const EngineStatistics& statistics);
std::uint64_t TotalDropped(const EngineStatistics& statistics);

}  // namespace Quorvel::Cli
