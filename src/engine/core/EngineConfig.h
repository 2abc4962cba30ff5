#pragma once

// The validated copy of the caller's EngineConfiguration. Written only while Veltrane::Init
// runs (under the facade's lock), then shared read-only by every component of the engine.

#include "engine/core/DissectionBitMap.h"

#include <quorvel/EngineConfiguration.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel {

class EngineDDSConfig;
class TypeProcessor;

class EngineConfig {
 public:
  // Copies `configuration` check by check; throws std::runtime_error at the first violation,
  // keeping the fields copied until then.
  void InitializeAndVerifyConfiguration(const EngineConfiguration& configuration);
  // The final check that some output is enabled where the mode dissects samples.
  void VerifyConfiguration() const;

  std::filesystem::path CSVOutputPath() const { return csvOutputPath; }

  // Creates `engineDDSConfig` from the validated fields and loads every configured DDS XML
  // path into it. Throws what the loading throws.
  void InitEngineDDSConfig();
  // Loads the engine's internal metadata types (sample information, common and captured-packet
  // metadata) next to the user's types and flattens each into its constant processor, whose
  // columns give the fixed sizes of metadata strings. Needs InitEngineDDSConfig first.
  void InitConstantTypeProcessors();

  std::uint64_t threadPoolSize = 1;
  std::uint64_t maxPipelineMessages = 4096;
  EngineOperationMode operationMode = EngineOperationMode::ACTIVE_DYNAMIC_MONITORING;
  std::string operationModeName;
  std::string monitoredInterfaceName;
  std::int32_t domainId = -1;
  std::string domainParticipantName;
  bool jsonOutput = false;
  FieldsOrdering fieldsOrdering = FieldsOrdering::TYPE_BASED_ORDERING;
  bool mapOutput = false;
  bool csvOutput = false;
  std::filesystem::path csvOutputPath;
  bool ideOutput = false;
  ByteArrayFormat byteArrayFormat = ByteArrayFormat::ELEMENT;
  BooleanFormat booleanFormat = BooleanFormat::NUMERIC;
  CharArrayFormat charArrayFormat = CharArrayFormat::BYTE;
  EnumOutputFormat enumOutputFormat = EnumOutputFormat::VALUE;
  std::vector<std::filesystem::path> ddsConfigurationFilesPath;
  bool parseROS2Constants = false;
  // The outputs built for every sample: JSON (8) and/or flat map (4).
  DissectionBitMap outputKinds;
  // Row buffer and value line, always both; kept for the output builders that read it.
  DissectionBitMap bufferOutputKinds;
  // Everything loaded from the DDS XML files; created when the engine initialises.
  std::shared_ptr<EngineDDSConfig> engineDDSConfig;
  // "SampleInfoStruct", "CommonMetadataStruct" and "PassiveMetadataStruct", flattened.
  std::shared_ptr<const TypeProcessor> sampleInfoTypeProcessor;
  std::shared_ptr<const TypeProcessor> commonMetadataTypeProcessor;
  std::shared_ptr<const TypeProcessor> passiveMetadataTypeProcessor;
};

}  // namespace Quorvel
