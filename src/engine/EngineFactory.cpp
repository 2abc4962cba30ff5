#include "engine/EngineFactory.h"

#include "common/Log.h"
#include "engine/core/DDSEngine.h"
#include "engine/Logger.h"
#include "ddsconfig/XMLParser.h"
#include "active/ActiveEngine.h"
#include "passive/PassiveEngine.h"

#include <stdexcept>

namespace Quorvel {
namespace {

std::string JoinVersion() {
  constexpr int kNumbers[] = {4, 6, 1, 5};
  std::string text;
  for (int number : kNumbers) {
    if (!text.empty()) text += '.';
    text += std::to_string(number);
  }
  return text;
}

}  // namespace

// Registered here rather than by static initialisers, which the linker drops from static
// libraries that nothing else references.
EngineFactory::EngineFactory() {
  const EngineCreator passive = [](std::shared_ptr<EngineConfig> config) {
    return std::make_shared<passive::PassiveEngine>(std::move(config));
  };
  builtinCreators[EngineOperationMode::PASSIVE_DYNAMIC_MONITORING] = passive;
  builtinCreators[EngineOperationMode::RECORD_DISSECTION] = passive;
  builtinCreators[EngineOperationMode::TYPE_INTROSPECTION] = passive;
  const EngineCreator active = [](std::shared_ptr<EngineConfig> config) {
    return std::make_shared<ActiveEngine>(std::move(config));
  };
  builtinCreators[EngineOperationMode::ACTIVE_STATIC_MONITORING] = active;
  builtinCreators[EngineOperationMode::ACTIVE_DYNAMIC_MONITORING] = active;
  builtinCreators[EngineOperationMode::MESSAGE_INJECTION] = active;
  creators = builtinCreators;
}

EngineFactory& EngineFactory::Instance() {
  static EngineFactory factory;
  return factory;
}

bool EngineFactory::IsConfigured() const { return configured.load(); }

void EngineFactory::SetConfiguration(const FactoryConfiguration& newConfiguration) {
  std::unique_lock<std::shared_mutex> guard(lock);
  if (configured.load()) throw std::runtime_error("EngineFactory is already configured");
  configuration = newConfiguration;
  Logger::Init(newConfiguration.logger);
  configured.store(true);
  LogInfo("Successfully configured Quorvel-Veltrane factory");
  LogInfo("Quorvel-Veltrane DDS dissection engine version " + VersionString() + ", built " +
          __DATE__ + " " + __TIME__ + ", RTPS protocol " + Logger::RTPSProtocolVersion() +
          " (+ extensions)");
}

void EngineFactory::SetConfiguration(const std::string& xmlPath) {
  FactoryConfiguration fromFile;
  XMLParser().InitFactoryConfigurationFromXML(xmlPath, fromFile);
  SetConfiguration(fromFile);
}

void EngineFactory::Reset() {
  LogDebug("Reset");
  std::unique_lock<std::shared_mutex> guard(lock);
  if (!configured.load()) return;
  if (activeEngines.load() != 0) {
    throw std::runtime_error(
        "Detected active engines. Need to close all engines before resetting the factory");
  }
  configured.store(false);
  Logger::Shutdown();
}

FactoryConfiguration EngineFactory::Configuration() const {
  std::shared_lock<std::shared_mutex> guard(lock);
  return configuration;
}

const std::string& EngineFactory::VersionString() {
  static const std::string version = JoinVersion();
  return version;
}

void EngineFactory::RegisterEngineCreator(EngineOperationMode mode, EngineCreator creator) {
  std::lock_guard<std::mutex> guard(creatorsMutex);
  if (creator) {
    creators[mode] = std::move(creator);
    return;
  }
  const auto builtin = builtinCreators.find(mode);
  if (builtin == builtinCreators.end()) {
    creators.erase(mode);
  } else {
    creators[mode] = builtin->second;
  }
}

std::shared_ptr<DDSEngine> EngineFactory::CreateEngine(EngineOperationMode mode,
                                                       std::shared_ptr<EngineConfig> config) const {
  EngineCreator creator;
  {
    std::lock_guard<std::mutex> guard(creatorsMutex);
    const auto found = creators.find(mode);
    if (found == creators.end()) return nullptr;
    creator = found->second;
  }
  return creator(std::move(config));
}

void EngineFactory::EngineStarted() { activeEngines.fetch_add(1); }

void EngineFactory::EngineStopped() { activeEngines.fetch_sub(1); }

std::uint64_t EngineFactory::ActiveEngines() const { return activeEngines.load(); }

}  // namespace Quorvel
