#include "LoadedConfig.h"

#include "TestData.h"

#include <exception>

namespace Quorvel::testing {

std::unique_ptr<EngineDDSConfig> MakeConfig(std::vector<std::filesystem::path> paths, std::string participantName,
                                            EngineOperationMode mode) {
  return std::make_unique<EngineDDSConfig>(mode, paths, -1, participantName, false);
}

std::unique_ptr<EngineDDSConfig> LoadConfig(std::vector<std::filesystem::path> paths, std::string participantName) {
  auto config = MakeConfig(std::move(paths), std::move(participantName));
  config->Init();
  return config;
}

std::vector<std::filesystem::path> StationFiles() {
  return {ProfilesData("qos/base_qos.xml"), ProfilesData("qos/app_qos.xml"),
          ProfilesData("participants/monitor.xml")};
}

std::string InitError(EngineDDSConfig& config) {
  try {
    config.Init();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no exception>";
}

}  // namespace Quorvel::testing
