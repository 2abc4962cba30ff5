#pragma once

// Builds and initialises an EngineDDSConfig over a list of paths, the way the engine does.

#include "ddsconfig/EngineDDSConfig.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel::testing {

std::unique_ptr<EngineDDSConfig> MakeConfig(std::vector<std::filesystem::path> paths,
                                            std::string participantName = {},
                                            EngineOperationMode mode = EngineOperationMode::ACTIVE_STATIC_MONITORING);

// MakeConfig, then Init.
std::unique_ptr<EngineDDSConfig> LoadConfig(std::vector<std::filesystem::path> paths,
                                            std::string participantName = {});

// The QoS files and the participant file of tests/data/profiles, in load order.
std::vector<std::filesystem::path> StationFiles();

// What Init throws: the text of a std::runtime_error, "std::exception" for the plain
// exception that follows a logged file failure, "<no exception>" when it succeeds.
std::string InitError(EngineDDSConfig& config);

}  // namespace Quorvel::testing
