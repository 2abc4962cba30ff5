#include "engine/core/EngineConfig.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/FlatteningOptions.h"
#include "dissection/TypeProcessor.h"
#include "engine/core/NetworkAdapters.h"
#include "engine/core/OperationModes.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace Quorvel {
namespace {

constexpr std::uint64_t kMaxThreadPoolSize = 2147483647;
constexpr std::uint64_t kMaxPipelineMessages = 2147483647;

std::filesystem::path DirectoryOrWorkingDirectory(const std::string& text) {
  return text.empty() ? std::filesystem::current_path() : std::filesystem::path(text);
}

void CheckMonitoredInterface(const std::string& name) {
  const std::vector<std::string> adapters = ListNetworkAdapters();
  if (std::find(adapters.begin(), adapters.end(), name) != adapters.end()) return;
  std::string message = "Provided monitoredInterfaceName doesn't exists. Possible values are - ";
  for (const std::string& adapter : adapters) message += adapter + ", ";
  throw std::runtime_error(message);
}

}  // namespace

void EngineConfig::InitializeAndVerifyConfiguration(const EngineConfiguration& c) {
  operationMode = c.operationMode;
  operationModeName = OperationModeName(c.operationMode);

  if (c.threadPoolSize < 1 || c.threadPoolSize > kMaxThreadPoolSize) {
    throw std::runtime_error("engineConfiguration.threadPoolSize is not in range [1,INT32_MAX] - " +
                             std::to_string(c.threadPoolSize));
  }
  threadPoolSize = c.threadPoolSize;

  if (c.maxPipelineMessages < 1 || c.maxPipelineMessages > kMaxPipelineMessages) {
    throw std::runtime_error(
        "engineConfiguration.maxPipelineMessages is not in range [1,INT32_MAX] - " +
        std::to_string(c.maxPipelineMessages));
  }
  maxPipelineMessages = c.maxPipelineMessages;

  if (operationMode == EngineOperationMode::PASSIVE_DYNAMIC_MONITORING) {
    CheckMonitoredInterface(c.monitoredInterfaceName);
    monitoredInterfaceName = c.monitoredInterfaceName;
  }

  if (IsActiveMode(operationMode)) {
    // -1 (take the participant definition's id) wraps to 0, so one unsigned test covers both ends.
    if (static_cast<std::uint64_t>(c.domainId) + 1 > 256) {
      throw std::runtime_error("engineConfiguration.domainId is not in range [0, 255]");
    }
    domainId = static_cast<std::int32_t>(c.domainId);
    domainParticipantName = c.domainParticipantName;
  }

  jsonOutput = c.jsonOutput;
  fieldsOrdering = c.fieldsOrdering;
  mapOutput = c.mapOutput;
  ideOutput = c.ideOutput;
  parseROS2Constants = c.parseROS2Constants;
  csvOutput = c.csvOutput;

  const std::filesystem::path csvDirectory = DirectoryOrWorkingDirectory(c.CSVOutputPath);
  std::error_code error;
  if (!std::filesystem::is_directory(csvDirectory, error)) {
    throw std::runtime_error("provided engineConfiguration.CSVOutputPath doesn't exist - " +
                             csvDirectory.string());
  }
  csvOutputPath = csvDirectory;

  ddsConfigurationFilesPath.assign(c.ddsConfigurationFilesPath.begin(),
                                   c.ddsConfigurationFilesPath.end());
  if (ddsConfigurationFilesPath.empty()) {
    ddsConfigurationFilesPath.push_back(std::filesystem::current_path());
  }

  byteArrayFormat = c.byteArrayFormat;
  booleanFormat = c.booleanFormat;
  charArrayFormat = c.charArrayFormat;
  enumOutputFormat = c.enumOutputFormat;

  if (ideOutput) {
    throw std::runtime_error(
        "IDE output is disabled for unbounded types. Use JSON or MAP output instead");
  }
  if (csvOutput) {
    throw std::runtime_error(
        "CSV output is disabled for unbounded types. Use JSON or MAP output instead");
  }

  outputKinds = DissectionBitMap((jsonOutput ? DissectionBitMap::kJson : 0) |
                                 (mapOutput ? DissectionBitMap::kFlatMap : 0));
  bufferOutputKinds = DissectionBitMap(DissectionBitMap::kRowBuffer | DissectionBitMap::kValueLine);
  VerifyConfiguration();
}

void EngineConfig::VerifyConfiguration() const {
  // Modes 0 to 3 deliver samples; injection and introspection produce none.
  const bool dissectsSamples = static_cast<std::uint32_t>(operationMode) <=
                               static_cast<std::uint32_t>(EngineOperationMode::RECORD_DISSECTION);
  if (dissectsSamples && !csvOutput && !jsonOutput && !mapOutput) {
    throw std::runtime_error(
        "Non of the engine's outputs are enabled. Enable Json/Map/IDE output.");
  }
}

void EngineConfig::InitEngineDDSConfig() {
  LogDebug("InitEngineDDSConfig");
  engineDDSConfig = std::make_shared<EngineDDSConfig>(operationMode, ddsConfigurationFilesPath, domainId,
                                                      domainParticipantName, parseROS2Constants);
  engineDDSConfig->Init();
}

void EngineConfig::InitConstantTypeProcessors() {
  LogDebug("InitConstantTypeProcessors");
  if (!engineDDSConfig) throw std::runtime_error("InitConstantTypeProcessors needs the DDS configuration loaded");
  engineDDSConfig->InitInternalTypes();
  const auto build = [this](const std::string& typeName) {
    try {
      return std::make_shared<const TypeProcessor>(typeName,
                                                   engineDDSConfig->ExtractDynamicType(typeName),
                                                   FlatteningOptions::From(*this, nullptr));
    } catch (const std::exception& e) {
      ThrowLogged("InitConstantTypeProcessors Error dissecting dynamic type = " + typeName +
                  ". Error = " + e.what());
    }
  };
  sampleInfoTypeProcessor = build("SampleInfoStruct");
  commonMetadataTypeProcessor = build("CommonMetadataStruct");
  passiveMetadataTypeProcessor = build("PassiveMetadataStruct");
}

}  // namespace Quorvel
