#include "injection/support/InjectionPeers.h"

namespace Quorvel::test {

namespace {

EngineConfiguration Configuration(EngineOperationMode mode, const char* participant,
                                  std::int64_t domainId) {
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.threadPoolSize = 1;
  configuration.ddsConfigurationFilesPath = {
      std::string(VELTRANE_TEST_DATA_DIR) + "/types/rich/RichTypes.xml",
      std::string(VELTRANE_SOURCE_DIR) + "/tests/injection/data/injection.xml"};
  configuration.domainParticipantName = std::string("InjectionParticipants::") + participant;
  configuration.domainId = domainId;
  configuration.jsonOutput = true;
  configuration.mapOutput = true;
  return configuration;
}

}  // namespace

EngineConfiguration InjectorConfiguration(std::int64_t domainId) {
  return Configuration(EngineOperationMode::MESSAGE_INJECTION, "Injector", domainId);
}

EngineConfiguration MonitorConfiguration(std::int64_t domainId) {
  return Configuration(EngineOperationMode::ACTIVE_STATIC_MONITORING, "Monitor", domainId);
}

void CollectingListener::OnUserDataJson(const std::string& json) {
  std::lock_guard<std::mutex> guard(mutex);
  jsons.push_back(json);
  arrived.notify_all();
}

void CollectingListener::OnUserDataMap(const std::map<std::string, std::string>& fields) {
  std::lock_guard<std::mutex> guard(mutex);
  maps.push_back(fields);
  arrived.notify_all();
}

bool CollectingListener::WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex);
  return arrived.wait_for(lock, timeout,
                          [&] { return jsons.size() >= count && maps.size() >= count; });
}

std::vector<std::string> CollectingListener::Jsons() {
  std::lock_guard<std::mutex> guard(mutex);
  return jsons;
}

std::vector<std::map<std::string, std::string>> CollectingListener::Maps() {
  std::lock_guard<std::mutex> guard(mutex);
  return maps;
}

}  // namespace Quorvel::test
