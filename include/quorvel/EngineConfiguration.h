#pragma once

#include <quorvel/EngineOperationMode.h>
#include <quorvel/OutputFormats.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel {

// What the caller asks of one engine. Validated by Veltrane::Init.
struct EngineConfiguration {
  EngineOperationMode operationMode = EngineOperationMode::ACTIVE_DYNAMIC_MONITORING;
  std::uint64_t threadPoolSize = 1;
  // DDS XML files or directories; empty means the current working directory.
  std::vector<std::string> ddsConfigurationFilesPath;
  // Capture device, PASSIVE_DYNAMIC_MONITORING only.
  std::string monitoredInterfaceName;
  // Passive modes: how many messages (captured RTPS messages, the sub-messages and samples
  // routed from them, samples waiting for delivery) may wait in the pipeline. Above it a
  // recording's capture pauses until half of them are done, and a live capture drops what it
  // reads (counted as droppedCaptureOverflow). Range [1, INT32_MAX].
  std::uint64_t maxPipelineMessages = 4096;
  // Active modes only; -1 takes the domain id of the participant definition.
  std::int64_t domainId = -1;
  // Active modes only; empty takes the first participant definition.
  std::string domainParticipantName;
  bool jsonOutput = false;
  FieldsOrdering fieldsOrdering = FieldsOrdering::TYPE_BASED_ORDERING;
  bool mapOutput = false;
  bool csvOutput = false;
  std::string CSVOutputPath;
  bool ideOutput = false;
  BooleanFormat booleanFormat = BooleanFormat::NUMERIC;
  CharArrayFormat charArrayFormat = CharArrayFormat::BYTE;
  ByteArrayFormat byteArrayFormat = ByteArrayFormat::ELEMENT;
  EnumOutputFormat enumOutputFormat = EnumOutputFormat::VALUE;
  bool parseROS2Constants = false;
};

}  // namespace Quorvel
