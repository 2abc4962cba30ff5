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

}  // namespace Quorvel::test
