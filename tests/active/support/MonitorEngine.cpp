#include "active/support/MonitorEngine.h"

#include "engine/core/EngineConfig.h"

namespace Quorvel::testing {

std::shared_ptr<EngineConfig> MonitorConfig(EngineOperationMode mode, const std::vector<std::string>& files,
                                            std::int64_t domain) {
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.threadPoolSize = 2;
  configuration.ddsConfigurationFilesPath.clear();
  for (const std::string& file : files) {
    configuration.ddsConfigurationFilesPath.push_back(std::string(VELTRANE_TEST_DATA_DIR) + "/" + file);
  }
  configuration.domainId = domain;
  configuration.mapOutput = true;
  configuration.jsonOutput = true;
  auto config = std::make_shared<EngineConfig>();
  config->InitializeAndVerifyConfiguration(configuration);
  return config;
}

RunningEngine::RunningEngine(std::shared_ptr<EngineConfig> config) : engine(std::move(config)) {
  engine.Init();
  engine.BindListener(&listener, CollectingListener::kAllEvents);
  engine.Run();
}

}  // namespace Quorvel::testing
