#include "frag/support/FacadeDissection.h"

#include <filesystem>
#include <mutex>

namespace Quorvel::frag {
namespace {

class UserDataListener : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    std::lock_guard lock(mutex);
    samples.push_back(nlohmann::json::parse(json));
  }
  std::mutex mutex;
  std::vector<nlohmann::json> samples;
};

void ConfigureLogOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    FactoryConfiguration factory;
    factory.logger.verbosity = LogSeverityLevel::INFO;
    factory.logger.loggingDir = std::string(VELTRANE_BINARY_DIR) + "/frag_logs";
    std::filesystem::create_directories(factory.logger.loggingDir);
    Veltrane::SetFactoryConfiguration(factory);
  });
}

}  // namespace

std::string FragData(const std::string& name) {
  return std::string(VELTRANE_TEST_DATA_DIR) + "/frag/" + name;
}

Dissection DissectThroughFacade(const std::string& recording,
                                const std::vector<std::string>& typeFiles) {
  ConfigureLogOnce();
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.threadPoolSize = 4;
  configuration.ddsConfigurationFilesPath = typeFiles;
  configuration.jsonOutput = true;
  Veltrane engine;
  engine.Init(configuration);
  UserDataListener listener;
  engine.BindListener(&listener,
                      static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON));
  engine.Run();
  engine.DissectRecordingFile(recording, true);
  Dissection result;
  result.statistics = engine.GetStatistics();
  engine.Shutdown();
  result.userSamples = std::move(listener.samples);  // no callback runs after Shutdown
  return result;
}

}  // namespace Quorvel::frag
