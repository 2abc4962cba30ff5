#pragma once

// A recording dissected through the public facade as an application does it: a
// RECORD_DISSECTION engine with JSON output, a listener of user data, and
// DissectRecordingFile(path, true).

#include <quorvel/Veltrane.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace Quorvel::frag {

struct Dissection {
  std::vector<nlohmann::json> userSamples;  // in delivery order
  EngineStatistics statistics;
};

Dissection DissectThroughFacade(const std::string& recording,
                                const std::vector<std::string>& typeFiles);

std::string FragData(const std::string& name);

}  // namespace Quorvel::frag
