#include "engine/core/DDSEngine.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "engine/core/EngineConfig.h"
#include "engine/core/EngineDB.h"
#include "dissection/DDSSample.h"
#include "dissection/DissectedSample.h"
#include "engine/core/OperationModes.h"

#include <mutex>
#include <stdexcept>

namespace Quorvel {
namespace {

constexpr auto kJsonEvents =
    static_cast<std::uint32_t>(EngineListenerEventsOptions::USER_DATA_JSON) |
    static_cast<std::uint32_t>(EngineListenerEventsOptions::DISCOVERY_DATA_JSON);
constexpr auto kMapEvents =
    static_cast<std::uint32_t>(EngineListenerEventsOptions::USER_DATA_MAP) |
    static_cast<std::uint32_t>(EngineListenerEventsOptions::DISCOVERY_DATA_MAP);

}  // namespace

DDSEngine::DDSEngine(std::shared_ptr<EngineConfig> config) : config(std::move(config)) {
  LogDebug("DDSEngine");
}

DDSEngine::~DDSEngine() { LogDebug("~DDSEngine"); }

EngineDB& DDSEngine::DB() const {
  if (!db) throw std::runtime_error("the engine's registry has not been created");
  return *db;
}

void DDSEngine::BindListener(EngineListener* listener, std::bitset<32> events) {
  EngineDB& registry = DB();
  std::unique_lock<std::shared_mutex> guard(registry.ListenerLock());
  registry.SetListener(listener, events);
  const auto bits = static_cast<std::uint32_t>(events.to_ulong());
  if (!config->jsonOutput && (bits & kJsonEvents) != 0) {
    registry.SetListener(nullptr, 0);
    throw std::runtime_error(
        "Cannot register to JSON based events without enabling the engine JSON output");
  }
  if (!config->mapOutput && (bits & kMapEvents) != 0) {
    registry.SetListener(nullptr, 0);
    throw std::runtime_error(
        "Cannot register to MAP based events without enabling the engine MAP output");
  }
}

void DDSEngine::UnbindListener() {
  EngineDB& registry = DB();
  std::unique_lock<std::shared_mutex> guard(registry.ListenerLock());
  registry.SetListener(nullptr, 0);
}

void DDSEngine::HandleDissectedSample(std::shared_ptr<DissectedSample> sample, DataProcessor*) {
  LogDebug("HandleDissectedSample");
  if (!sample) return;
  EngineDB& registry = DB();
  const bool user = sample->DataType() == DissectedSampleDataType::USER_DATA;
  registry.Counters().Delivered(user ? DeliveredKind::USER_DATA : DeliveredKind::DISCOVERY);
  using Event = EngineListenerEventsOptions;
  if (registry.Listener() != nullptr) {
    std::unique_lock<std::shared_mutex> guard(registry.ListenerLock());
    // Bound again under the lock: an unbind may have happened since the test above.
    if (EngineListener* listener = registry.Listener()) {
      const Outputter& output = sample->Sample()->Output();
      if (registry.CheckRegisteredEvent(user ? Event::USER_DATA_JSON : Event::DISCOVERY_DATA_JSON)) {
        // Finished by the worker that dissected the sample: nothing is serialised here.
        const std::string& json = output.ListenerJson();
        user ? listener->OnUserDataJson(json) : listener->OnDiscoveryDataJson(json);
      }
      if (registry.CheckRegisteredEvent(user ? Event::USER_DATA_MAP : Event::DISCOVERY_DATA_MAP)) {
        user ? listener->OnUserDataMap(output.MapPrint())
             : listener->OnDiscoveryDataMap(output.MapPrint());
      }
    }
  }
  const Event notification =
      user ? Event::USER_DATA_AVAILABLE_NOTIFICATION : Event::DISCOVERY_DATA_AVAILABLE_NOTIFICATION;
  if (!registry.CheckRegisteredEvent(notification)) return;
  registry.EnqueueSample(std::move(sample));
  if (registry.Listener() == nullptr) return;
  std::unique_lock<std::shared_mutex> guard(registry.ListenerLock());
  if (EngineListener* listener = registry.Listener()) {
    user ? listener->OnUserDataAvailableNotification()
         : listener->OnDiscoveryDataAvailableNotification();
  }
}

EngineStatistics DDSEngine::Statistics() const {
  return db ? db->Counters().Snapshot() : EngineStatistics{};
}

std::shared_ptr<DissectedSample> DDSEngine::NextDissectedSample() {
  return DB().PopNextSample();
}

void DDSEngine::NotProvided(const std::string& operation) const {
  ThrowLogged(operation + " is not provided by the " + EngineClassName(config->operationMode) +
              " of this build");
}

void DDSEngine::Init() {
  try {
    config->InitEngineDDSConfig();
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string(" error loading dds xml files. err : ") + e.what());
  }
  config->InitConstantTypeProcessors();
}

const EngineDDSConfig& DDSEngine::DDSConfig() const {
  if (!config->engineDDSConfig) ThrowLogged("the DDS XML configuration has not been loaded");
  return *config->engineDDSConfig;
}

namespace {

template <typename Info>
std::vector<Info> Endpoints(const std::shared_ptr<const DomainInfo>& domain,
                            std::map<std::string, Info> DomainInfo::*endpoints) {
  std::vector<Info> result;
  if (!domain) return result;
  for (const auto& entry : (*domain).*endpoints) result.push_back(entry.second);
  return result;
}

}  // namespace

std::vector<ReaderInfo> DDSEngine::ReadersInfo() const {
  return Endpoints(DDSConfig().GetDomainInfo(), &DomainInfo::readers);
}
std::vector<WriterInfo> DDSEngine::WritersInfo() const {
  return Endpoints(DDSConfig().GetDomainInfo(), &DomainInfo::writers);
}
std::vector<TypeBasicInfo> DDSEngine::TypesBasicInfo() const { return DDSConfig().TypesBasicInfo(); }
TypeInfo DDSEngine::IntrospectType(const std::string&) { NotProvided("IntrospectType"); }
void DDSEngine::DissectRecordingFile(const std::string&, bool) {
  NotProvided("DissectRecordingFile");
}
void DDSEngine::AddWriterDiscoveryData(const std::string&, const std::string&,
                                       const std::string&) {
  NotProvided("AddWriterDiscoveryData");
}
std::vector<WriterInfo> DDSEngine::DiscoveredWritersInfo() const {
  NotProvided("GetDiscoveredWritersInfo");
}
void DDSEngine::InjectMessage(const std::string&, const std::string&, bool, bool) {
  NotProvided("InjectMessage");
}
void DDSEngine::InjectMessage(const std::string&, const std::map<std::string, std::string>&,
                              bool, bool) {
  NotProvided("InjectMessage");
}

}  // namespace Quorvel
