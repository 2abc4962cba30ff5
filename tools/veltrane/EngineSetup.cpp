#include "EngineSetup.h"

#include <quorvel/FactoryConfiguration.h>
#include <quorvel/Veltrane.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace Quorvel::Cli {

EngineConfiguration MakeEngineConfiguration(EngineOperationMode mode, const CommonOptions& common,
                                            const OutputOptions& output, bool jsonOutput) {
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.threadPoolSize = common.threads;
  configuration.maxPipelineMessages = common.maxPipelineMessages;
  configuration.ddsConfigurationFilesPath = common.xmlPaths;
  configuration.domainId = common.domainId;
  configuration.domainParticipantName = common.participant;
  configuration.jsonOutput = jsonOutput;
  configuration.mapOutput = !jsonOutput;
  configuration.fieldsOrdering = output.ordering;
  configuration.booleanFormat = output.booleans;
  configuration.charArrayFormat = output.chars;
  configuration.byteArrayFormat = output.bytes;
  configuration.enumOutputFormat = output.enums;
  return configuration;
}

std::string DefaultLogDirectory() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    return (std::filesystem::path(state) / "veltrane").string();
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return (std::filesystem::path(home) / ".local" / "state" / "veltrane").string();
  }
  return (std::filesystem::temp_directory_path() / "veltrane").string();
}

void ConfigureLogging(const CommonOptions& common) {
  FactoryConfiguration factory;
  factory.logger.verbosity = common.verbosity;
  factory.logger.loggingDir = common.logDir.empty() ? DefaultLogDirectory() : common.logDir;
  std::error_code error;
  std::filesystem::create_directories(factory.logger.loggingDir, error);
  if (error) {
    throw std::runtime_error("cannot create the log folder " + factory.logger.loggingDir + ": " + error.message());
  }
  Veltrane::SetFactoryConfiguration(factory);
}

}  // namespace Quorvel::Cli
