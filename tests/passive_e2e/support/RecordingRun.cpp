#include "RecordingRun.h"

#include <filesystem>
#include <mutex>

namespace Quorvel::e2e {
namespace {

class CollectingListener : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    std::lock_guard lock(mutex);
    user.push_back(nlohmann::ordered_json::parse(json));
  }
  void OnDiscoveryDataJson(const std::string& json) override {
    std::lock_guard lock(mutex);
    discovery.push_back(nlohmann::ordered_json::parse(json));
  }

  std::mutex mutex;
  std::vector<nlohmann::ordered_json> user;
  std::vector<nlohmann::ordered_json> discovery;
};

}  // namespace

void ConfigureFactoryOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    FactoryConfiguration configuration;
    // Debug lines too: several drops are reported at debug severity.
    configuration.logger.verbosity = LogSeverityLevel::DEBUG;
    configuration.logger.loggingDir = std::string(VELTRANE_BINARY_DIR) + "/passive_e2e_logs";
    std::filesystem::create_directories(configuration.logger.loggingDir);
    Veltrane::SetFactoryConfiguration(configuration);
  });
}

std::string TestDataPath(const std::string& relative) {
  return std::string(VELTRANE_TEST_DATA_DIR) + "/" + relative;
}

RecordingResult DissectRecording(const std::string& pcapPath, const std::vector<std::string>& typeFiles,
                                 std::uint64_t threadPoolSize) {
  ConfigureFactoryOnce();
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.threadPoolSize = threadPoolSize;
  configuration.ddsConfigurationFilesPath = typeFiles;
  configuration.jsonOutput = true;
  Veltrane engine;
  engine.Init(configuration);
  CollectingListener listener;
  engine.BindListener(&listener, static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON) |
                                     static_cast<unsigned long>(EngineListenerEventsOptions::DISCOVERY_DATA_JSON));
  engine.Run();
  engine.DissectRecordingFile(pcapPath, true);
  RecordingResult result;
  result.writers = engine.GetDiscoveredWritersInfo();
  result.statistics = engine.GetStatistics();
  engine.Shutdown();
  // Shutdown joined every engine thread: the listener is no longer called.
  result.userSamples = std::move(listener.user);
  result.discoverySamples = std::move(listener.discovery);
  return result;
}

}  // namespace Quorvel::e2e
