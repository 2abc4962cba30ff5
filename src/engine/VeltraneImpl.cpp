#include "engine/VeltraneImpl.h"

#include "common/Log.h"
#include "ddsconfig/TopicTypeMap.h"
#include "ddsconfig/XMLParser.h"
#include "engine/core/DDSEngine.h"
#include "engine/core/EngineConfig.h"
#include "engine/EngineFactory.h"
#include "engine/core/OperationModes.h"
#include "engine/UnavailableEngine.h"
#include "injection/InjectionInput.h"

#include <filesystem>
#include <stdexcept>

namespace Quorvel {
namespace {

constexpr const char* kNotInitialized = "Engine is not initialized";

// Runs `operation`; a std::exception becomes `prefix` + its text, logged at `level` and thrown.
template <typename Operation>
auto Wrapped(const std::string& prefix, LogSeverityLevel level, Operation&& operation) {
  try {
    return operation();
  } catch (const std::exception& e) {
    ThrowLogged(prefix + e.what(), level);
  }
}

// Modes 3 and 5 have nothing to start: recordings are fed and types answered on demand.
bool RunStartsWorkers(EngineOperationMode mode) {
  return mode != EngineOperationMode::RECORD_DISSECTION &&
         mode != EngineOperationMode::TYPE_INTROSPECTION;
}

void ConfigureFactoryWithDefaults() {
  EngineFactory& factory = EngineFactory::Instance();
  if (factory.IsConfigured()) return;
  try {
    factory.SetConfiguration(FactoryConfiguration{});
  } catch (const std::exception& e) {
    // Another thread may have configured it in between; anything else is a real failure.
    if (!factory.IsConfigured()) {
      LogError(std::string("error in SetFactoryConfiguration : ") + e.what());
      throw;
    }
  }
}

}  // namespace

VeltraneImpl::VeltraneImpl()
    : config(std::make_shared<EngineConfig>()), xmlParser(std::make_shared<XMLParser>()) {}

// A Shutdown that failed leaves the engine counted; the object's end releases it.
VeltraneImpl::~VeltraneImpl() { ReleaseEngineCount(); }

void VeltraneImpl::ReleaseEngineCount() {
  if (!countedByFactory) return;
  countedByFactory = false;
  EngineFactory::Instance().EngineStopped();
}

std::shared_ptr<DDSEngine> VeltraneImpl::Engine() const {
  std::lock_guard<std::mutex> guard(engineGuard);
  return engine;
}

void VeltraneImpl::SetEngine(std::shared_ptr<DDSEngine> newEngine) {
  std::lock_guard<std::mutex> guard(engineGuard);
  engine = std::move(newEngine);
}

std::shared_ptr<DDSEngine> VeltraneImpl::InitializedEngine() const {
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !current) ThrowLogged(kNotInitialized);
  return current;
}

void VeltraneImpl::Init(const EngineConfiguration& configuration) {
  std::unique_lock<std::shared_mutex> guard(lock);
  InitLocked(configuration);
}

void VeltraneImpl::InitLocked(const EngineConfiguration& configuration) {
  if (initialized.load()) ThrowLogged("Veltrane Already Initialized");
  if (shutDown.load()) ThrowLogged("Veltrane was shut down and cannot be initialized again");
  ConfigureFactoryWithDefaults();

  // Validate into a fresh copy so a failed attempt leaves nothing behind for the next one.
  auto validated = std::make_shared<EngineConfig>();
  try {
    validated->InitializeAndVerifyConfiguration(configuration);
    mode.store(validated->operationMode);
  } catch (const std::exception& e) {
    mode.store(validated->operationMode);
    ThrowLogged(std::string("Error initializing and verifing engine configuration. ") + e.what());
  }
  config = validated;

  const EngineOperationMode engineMode = config->operationMode;
  const std::string prefix = EngineClassName(engineMode) + "::Init Fatal Error: ";
  Wrapped(prefix, LogSeverityLevel::FATAL, [&] {
    std::shared_ptr<DDSEngine> created = EngineFactory::Instance().CreateEngine(engineMode, config);
    if (!created) created = std::make_shared<UnavailableEngine>(config);
    SetEngine(created);
    created->Init();
  });

  EngineFactory::Instance().EngineStarted();
  countedByFactory = true;
  initialized.store(true);
  LogInfo("Successfully initialized Quorvel-Veltrane in " + config->operationModeName +
          " operation mode");
}

void VeltraneImpl::Init(const std::string& configFilePath, const std::string& reserved) {
  ConfigureFactoryWithDefaults();
  Wrapped("Error initializing Engine from XML configuration file " + configFilePath +
              ". Error = ",
          LogSeverityLevel::ERROR, [&] {
            EngineConfiguration configuration;
            xmlParser->InitEngineConfigurationFromXML(configFilePath, reserved, configuration);
            Init(configuration);
          });
}

void VeltraneImpl::Run() {
  std::unique_lock<std::shared_mutex> guard(lock);
  if (!initialized.load()) ThrowLogged(kNotInitialized);
  if (running.load()) {
    LogDebug("Engine is already running");
    return;
  }
  const EngineOperationMode engineMode = config->operationMode;
  if (RunStartsWorkers(engineMode)) {
    Wrapped(EngineClassName(engineMode) + "::Run Fatal Error: ", LogSeverityLevel::FATAL,
            [&] { Engine()->Run(); });
  }
  running.store(true);
  houseKeeper.Start();
}

void VeltraneImpl::Shutdown() {
  LogDebug("Shutdown");
  std::unique_lock<std::shared_mutex> guard(lock);
  if (shutDown.load() || !initialized.load()) return;
  Wrapped("Veltrane::Shutdown Error: ", LogSeverityLevel::ERROR, [&] { ShutdownLocked(); });
}

void VeltraneImpl::ShutdownLocked() {
  running.store(false);
  houseKeeper.Stop();
  Engine()->Terminate();
  SetEngine(nullptr);
  config.reset();
  initialized.store(false);
  shutDown.store(true);
  ReleaseEngineCount();
  LogInfo("Veltrane successfully shut down");
}

void VeltraneImpl::BindListener(EngineListener* listener, unsigned long events) {
  std::unique_lock<std::shared_mutex> guard(lock);
  Wrapped("Veltrane::BindListener Fatal Error: ", LogSeverityLevel::FATAL, [&] {
    if (!initialized.load()) ThrowLogged("Cannot bind listener if Engine is not initialized");
    // Only the low 32 bits of the event set count.
    Engine()->BindListener(listener, std::bitset<32>(events & 0xFFFFFFFFUL));
  });
}

void VeltraneImpl::UnbindListener() {
  std::unique_lock<std::shared_mutex> guard(lock);
  Wrapped("Veltrane::UnbindListener Fatal Error: ", LogSeverityLevel::FATAL, [&] {
    if (!initialized.load()) ThrowLogged("Cannot unbind listener if Engine is not initialized");
    Engine()->UnbindListener();
  });
}

std::shared_ptr<DissectedSampleInterface> VeltraneImpl::GetNextDissectedSample() {
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !running.load() || !current) {
    ThrowLogged("Engine is not initialized / running");
  }
  return std::make_shared<DissectedSampleInterface>(current->NextDissectedSample());
}

std::map<std::string, std::string> VeltraneImpl::GetTopicNameToTypeNameMap(const std::string& file) const {
  LogDebug("GetTopicNameToTypeNameMap");
  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    LogError("GetTopicNameToTypeNameMap directory / file " + file + " doesn't exist");
    return {};
  }
  if (!std::filesystem::is_regular_file(file, error)) {
    LogError(file + " isn't  a file");
    return {};
  }
  try {
    // An initialised engine knows every loaded type and profile; otherwise the file stands alone.
    const std::shared_ptr<DDSEngine> current = Engine();
    const EngineDDSConfig* loaded =
        initialized.load() && current && config ? config->engineDDSConfig.get() : nullptr;
    return ddsconfig::ReadTopicNameToTypeNameMap(file, loaded);
  } catch (const std::exception& e) {
    LogError(" dissection error with " + file + " . Error: " + e.what());
    return {};
  }
}

std::vector<ReaderInfo> VeltraneImpl::GetReadersInfo() const {
  LogDebug("GetReadersInfo");
  return InitializedEngine()->ReadersInfo();
}

std::vector<WriterInfo> VeltraneImpl::GetWritersInfo() const {
  LogDebug("GetWritersInfo");
  return InitializedEngine()->WritersInfo();
}

std::vector<TypeBasicInfo> VeltraneImpl::GetTypesBasicInfo() {
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !current) ThrowLogged("Engine is not initialized / running");
  return current->TypesBasicInfo();
}

TypeInfo VeltraneImpl::IntrospectType(const std::string& typeName) {
  LogDebug("IntrospectType");
  if (mode.load() != EngineOperationMode::TYPE_INTROSPECTION) {
    ThrowLogged("Cannot IntrospectType in current operation mode. Change to TYPE_INTROSPECTION.");
  }
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !current) {
    ThrowLogged("Cannot IntrospectType, Engine is not initialized");
  }
  if (!running.load()) {
    ThrowLogged(
        "Cannot IntrospectType Message if the engine in not running. Call Run() before calling "
        "this function");
  }
  return current->IntrospectType(typeName);
}

void VeltraneImpl::DissectRecordingFile(const std::string& path, bool wait) {
  std::shared_ptr<DDSEngine> current = InitializedEngine();
  if (!running.load()) {
    ThrowLogged(
        "Cannot DissectRecordingFile if the engine in not running. Call Run() before calling "
        "this function");
  }
  Wrapped("PassiveEngine::DissectRecordingFile Error : ", LogSeverityLevel::ERROR,
          [&] { current->DissectRecordingFile(path, wait); });
}

void VeltraneImpl::AddWriterDiscoveryData(const std::string& writerGuid,
                                          const std::string& topicName,
                                          const std::string& typeName) {
  if (IsActiveMode(mode.load())) {
    ThrowLogged("AddWriterDiscoveryData not support in ACTIVE operation modes ");
  }
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !current) {
    ThrowLogged("AddWriterDiscoveryData Engine is not initialized");
  }
  Wrapped("Error adding Writer discovery data. Error = ", LogSeverityLevel::ERROR,
          [&] { current->AddWriterDiscoveryData(writerGuid, topicName, typeName); });
}

std::vector<WriterInfo> VeltraneImpl::GetDiscoveredWritersInfo() const {
  if (IsActiveMode(mode.load())) {
    ThrowLogged("Operation not supported in Active opertaion mode (only Passive/RecordDissection.");
  }
  std::shared_ptr<DDSEngine> current = Engine();
  if (!initialized.load() || !current) {
    ThrowLogged("GetDiscoveredWritersInfo Engine is not initialized");
  }
  return Wrapped("Error extracting Discovered Writers Info. Error = ", LogSeverityLevel::ERROR,
                 [&] { return current->DiscoveredWritersInfo(); });
}

EngineStatistics VeltraneImpl::GetStatistics() const {
  return InitializedEngine()->Statistics();
}

std::shared_ptr<DDSEngine> VeltraneImpl::InjectionEngine() const {
  std::shared_ptr<DDSEngine> current = InitializedEngine();
  if (!running.load()) {
    ThrowLogged(
        "Cannot Inject Message if the engine in not running. Call Run() before calling this "
        "function");
  }
  if (mode.load() != EngineOperationMode::MESSAGE_INJECTION) {
    ThrowLogged("Cannot Inject Message in current operation mode. Change to MESSAGE_INJECTION. ");
  }
  return current;
}

namespace {

// Input that does not convert reaches the caller with its own message; every other failure of
// the engine's injection behind one prefix.
template <typename Operation>
void Injecting(Operation&& operation) {
  try {
    operation();
  } catch (const injection::InjectionInputError& e) {
    ThrowLogged(e.what());
  } catch (const std::exception& e) {
    ThrowLogged(std::string("Veltrane::InjectMessage error : ") + e.what());
  }
}

}  // namespace

void VeltraneImpl::InjectMessage(const std::string& writerName, const std::string& json,
                                 bool option, bool reportUnusedFields) {
  std::shared_ptr<DDSEngine> engine = InjectionEngine();
  Injecting([&] { engine->InjectMessage(writerName, json, option, reportUnusedFields); });
}

void VeltraneImpl::InjectMessage(const std::string& writerName,
                                 const std::map<std::string, std::string>& fields, bool option,
                                 bool reportUnusedFields) {
  std::shared_ptr<DDSEngine> engine = InjectionEngine();
  Injecting([&] { engine->InjectMessage(writerName, fields, option, reportUnusedFields); });
}

}  // namespace Quorvel
