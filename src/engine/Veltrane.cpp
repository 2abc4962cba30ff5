// The public shell: forwards to VeltraneImpl and runs the static factory operations.

#include <quorvel/Veltrane.h>

#include "common/Log.h"
#include "engine/EngineFactory.h"
#include "engine/core/NetworkAdapters.h"
#include "engine/VeltraneImpl.h"

#include <cstdlib>
#include <exception>

namespace Quorvel {
namespace {

// The static wrappers log the cause under the operation's name and pass it on unchanged.
template <typename Operation>
void Reported(const char* name, Operation&& operation) {
  try {
    operation();
  } catch (const std::exception& e) {
    LogError(std::string("error in ") + name + " : " + e.what());
    throw;
  }
}

}  // namespace

Veltrane::Veltrane() : impl(std::make_unique<VeltraneImpl>()) {}

Veltrane::Veltrane(Veltrane&& other) noexcept = default;

Veltrane::~Veltrane() {
  try {
    Shutdown();
  } catch (const std::exception&) {
    LogDebug(":~Veltrane Exception");
  }
}

std::string Veltrane::Version() { return EngineFactory::VersionString(); }

void Veltrane::SetFactoryConfiguration(const FactoryConfiguration& configuration) {
  Reported("SetFactoryConfiguration",
           [&] { EngineFactory::Instance().SetConfiguration(configuration); });
}

void Veltrane::SetFactoryConfiguration(const std::string& xmlPath) {
  Reported("SetFactoryConfiguration", [&] { EngineFactory::Instance().SetConfiguration(xmlPath); });
}

void Veltrane::FinalizeFactory() {
  Reported("FinalizeFactory", [] { EngineFactory::Instance().Reset(); });
}

std::vector<std::string> Veltrane::GetAvailableNetworkAdaptersList() {
  return ListNetworkAdapters();
}

// A moved-from shell has no state: it behaves like an object that was never initialised.
VeltraneImpl& Veltrane::State() const {
  if (!impl) ThrowLogged("Engine is not initialized");
  return *impl;
}

void Veltrane::Init(const EngineConfiguration& configuration) {
  State().Init(configuration);
}

void Veltrane::Init(const std::string& configFilePath, const std::string& reserved) {
  State().Init(configFilePath, reserved);
}

void Veltrane::Run() const {
  State().Run();
}

void Veltrane::Shutdown() {
  if (impl) impl->Shutdown();
}

EngineOperationMode Veltrane::OperationMode() const {
  return impl ? impl->OperationMode() : EngineOperationMode::ACTIVE_DYNAMIC_MONITORING;
}

void Veltrane::BindListener(EngineListener* listener, unsigned long events) {
  State().BindListener(listener, events);
}

void Veltrane::UnbindListener() {
  State().UnbindListener();
}

void Veltrane::SetQueuedMessageKind(unsigned long events) { BindListener(nullptr, events); }

std::shared_ptr<DissectedSampleInterface> Veltrane::GetNextDissectedSample() {
  return State().GetNextDissectedSample();
}

std::vector<ReaderInfo> Veltrane::GetReadersInfo() const {
  return State().GetReadersInfo();
}

std::vector<WriterInfo> Veltrane::GetWritersInfo() const {
  return State().GetWritersInfo();
}

std::map<std::string, std::string> Veltrane::GetTopicNameToTypeNameMap(const std::string& path) {
  return State().GetTopicNameToTypeNameMap(path);
}

std::vector<TypeBasicInfo> Veltrane::GetTypesBasicInfo() {
  return State().GetTypesBasicInfo();
}

TypeInfo Veltrane::IntrospectType(const std::string& typeName) {
  return State().IntrospectType(typeName);
}

void Veltrane::DissectRecordingFile(const std::string& path, bool wait) {
  State().DissectRecordingFile(path, wait);
}

void Veltrane::AddWriterDiscoveryData(const std::string& writerGuid, const std::string& topicName,
                                      const std::string& typeName) {
  State().AddWriterDiscoveryData(writerGuid, topicName, typeName);
}

std::vector<WriterInfo> Veltrane::GetDiscoveredWritersInfo() const {
  return State().GetDiscoveredWritersInfo();
}

EngineStatistics Veltrane::GetStatistics() const { return State().GetStatistics(); }

void Veltrane::InjectMessage(const std::string& writerName, const std::string& json, bool option,
                             bool reportUnusedFields) {
  State().InjectMessage(writerName, json, option, reportUnusedFields);
}

void Veltrane::InjectMessage(const std::string& writerName,
                             const std::map<std::string, std::string>& fields, bool option,
                             bool reportUnusedFields) {
  State().InjectMessage(writerName, fields, option, reportUnusedFields);
}

}  // namespace Quorvel
