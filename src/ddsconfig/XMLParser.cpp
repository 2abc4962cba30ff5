#include "ddsconfig/XMLParser.h"

#include "common/Log.h"
#include "ddsconfig/ConfigXmlValues.h"
#include "ddsconfig/EngineSectionReader.h"

#include <pugixml.hpp>

#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace Quorvel {
namespace {

namespace fs = std::filesystem;

struct ConfigFile {
  fs::path file;
  fs::path directory;  // where relative paths inside the file start
  pugi::xml_document document;
};

// Resolves the file name; returns false when the file is missing or not a regular file.
bool Locate(const fs::path& given, ConfigFile& config) {
  std::error_code error;
  config.file = given;
  config.directory = given.parent_path();
  if (fs::is_directory(given, error)) {
    config.file = given / XMLParser::kConfigFileName;
    config.directory = given;
  }
  return fs::is_regular_file(config.file, error);
}

bool Parse(ConfigFile& config) {
  return static_cast<bool>(config.document.load_file(config.file.c_str()));
}

// A logger limit in [1, INT32_MAX]; nullopt when the element is absent or empty.
std::optional<std::int64_t> ReadLimit(const pugi::xml_node& logging, const char* element,
                                      const std::string& rangeError) {
  const std::string text = ElementText(logging, element);
  if (text.empty()) return std::nullopt;
  const std::int64_t value = std::stol(text);
  if (!IsPositiveInt32(value)) throw std::out_of_range(rangeError + std::to_string(value));
  return value;
}

void ReadFactorySection(const pugi::xml_node& logging, const fs::path& directory,
                        FactoryConfiguration& out) {
  LoggerConfiguration& logger = out.logger;

  const std::string verbosity = ElementText(logging, "verbosity");
  if (verbosity.empty()) {
    LogDebug(
        "Cannot detect logger verbosity definition in xml configuration file. Setting to default "
        "value = " +
        std::to_string(static_cast<std::uint32_t>(logger.verbosity)));
  } else if (auto level = ParseSeverity(verbosity)) {
    logger.verbosity = *level;
  } else {
    throw std::out_of_range(" Logger verbosity provided value is not valid " + verbosity +
                            ". Valid values are = [FATAL, ERROR, WARNING, INFO, DEBUG, TRACE]");
  }

  if (auto value = ReadLimit(logging, "max_file_byte_size",
                             "logger max_file_size provided value is not in range [1,INT32_MAX] - ")) {
    logger.maxFileByteSize = *value;
  }
  if (auto value = ReadLimit(logging, "max_files",
                             "logger max_files provided value is not in range [1,INT32_MAX] - ")) {
    logger.maxFiles = *value;
  }

  const fs::path loggingDir = ResolveRelative(directory, ElementText(logging, "path"));
  std::error_code error;
  if (!fs::is_directory(loggingDir, error)) {
    throw std::runtime_error("provided logger path doesn't exist - " + loggingDir.string());
  }
  logger.loggingDir = loggingDir.string();
}

}  // namespace

void XMLParser::InitFactoryConfigurationFromXML(const fs::path& path,
                                                FactoryConfiguration& out) const {
  LogDebug("InitFactoryConfigurationFromXML");
  ConfigFile config;
  if (!Locate(path, config)) {
    throw std::runtime_error(" directory / file " + config.file.string() + " doesn't exist");
  }
  if (!Parse(config)) {
    throw std::runtime_error(" directory / file " + config.file.string() + " is corrupted");
  }
  const pugi::xml_node logging = config.document.child("Quorvel").child("factory").child("logging");
  ReadFactorySection(logging, config.directory, out);
}

void XMLParser::InitEngineConfigurationFromXML(const fs::path& path, const std::string&,
                                               EngineConfiguration& out) const {
  LogDebug("InitEngineConfigurationFromXML");
  ConfigFile config;
  if (!Locate(path, config)) {
    throw std::runtime_error("InitEngineConfigurationFromXML . Directory / file " +
                             config.file.string() + " doesn't exist ");
  }
  if (!Parse(config)) {
    throw std::runtime_error("InitEngineConfigurationFromXML . " + config.file.string() +
                             " is  corrupted");
  }
  const pugi::xml_node engine = config.document.child("Quorvel").child("engine");
  EngineSectionReader(engine, config.file, config.directory).Read(out);
}

}  // namespace Quorvel
