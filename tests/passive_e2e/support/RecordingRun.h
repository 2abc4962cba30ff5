#pragma once

// One recording dissected through the public facade, as an application would: a
// RECORD_DISSECTION engine with JSON output and a bound listener, DissectRecordingFile(path,
// true), then what was delivered, the discovered writers and the statistics.

#include <quorvel/Veltrane.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace Quorvel::e2e {

struct RecordingResult {
  std::vector<nlohmann::ordered_json> userSamples;       // in delivery order
  std::vector<nlohmann::ordered_json> discoverySamples;  // in delivery order
  std::vector<WriterInfo> writers;
  EngineStatistics statistics;
};

RecordingResult DissectRecording(const std::string& pcapPath, const std::vector<std::string>& typeFiles,
                                 std::uint64_t threadPoolSize = 4);

// The process-wide factory, configured once with its log under the build folder; call before
// capturing log lines, so that no later Init reconfigures the log under the capture.
void ConfigureFactoryOnce();

std::string TestDataPath(const std::string& relative);

}  // namespace Quorvel::e2e
