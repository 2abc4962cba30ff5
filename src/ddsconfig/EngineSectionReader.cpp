#include "ddsconfig/EngineSectionReader.h"

#include "common/Log.h"
#include "ddsconfig/ConfigXmlValues.h"

#include <limits>
#include <stdexcept>
#include <system_error>

namespace Quorvel {
namespace {

namespace fs = std::filesystem;

constexpr std::pair<std::string_view, EngineOperationMode> kModes[] = {
    {"ACTIVE_STATIC_MONITORING", EngineOperationMode::ACTIVE_STATIC_MONITORING},
    {"ACTIVE_DYNAMIC_MONITORING", EngineOperationMode::ACTIVE_DYNAMIC_MONITORING},
    {"PASSIVE_DYNAMIC_MONITORING", EngineOperationMode::PASSIVE_DYNAMIC_MONITORING},
    {"RECORD_DISSECTION", EngineOperationMode::RECORD_DISSECTION},
    {"MESSAGE_INJECTION", EngineOperationMode::MESSAGE_INJECTION},
    {"TYPE_INTROSPECTION", EngineOperationMode::TYPE_INTROSPECTION}};

constexpr std::pair<std::string_view, BooleanFormat> kBooleanFormats[] = {
    {"STRING", BooleanFormat::STRING}, {"NUMERIC", BooleanFormat::NUMERIC}};
constexpr std::pair<std::string_view, CharArrayFormat> kCharArrayFormats[] = {
    {"STRING", CharArrayFormat::STRING}, {"BYTE", CharArrayFormat::BYTE}};
constexpr std::pair<std::string_view, ByteArrayFormat> kByteArrayFormats[] = {
    {"ELEMENT", ByteArrayFormat::ELEMENT}, {"BUFFER", ByteArrayFormat::BUFFER}};
constexpr std::pair<std::string_view, EnumOutputFormat> kEnumFormats[] = {
    {"VALUE", EnumOutputFormat::VALUE},
    {"NAME", EnumOutputFormat::NAME},
    {"VALUE_AND_NAME", EnumOutputFormat::VALUE_AND_NAME}};
constexpr std::pair<std::string_view, FieldsOrdering> kOrderings[] = {
    {"TYPE_BASED_ORDERING", FieldsOrdering::TYPE_BASED_ORDERING},
    {"STANDARDIZED_UNORDERED", FieldsOrdering::STANDARDIZED_UNORDERED}};

// A value format: any case, absent keeps the default with a debug line, unknown throws.
template <typename Value, std::size_t N>
void ReadFormat(const pugi::xml_node& output, const char* element,
                const std::pair<std::string_view, Value> (&table)[N], const std::string& absent,
                const std::string& error, Value& field) {
  const std::string text = ElementText(output, element);
  if (text.empty()) {
    LogDebug(absent);
    return;
  }
  const auto value = LookUp(table, ToUpper(text));
  if (!value) throw std::runtime_error(error);
  field = *value;
}

}  // namespace

EngineSectionReader::EngineSectionReader(pugi::xml_node engine, fs::path file, fs::path directory)
    : engine(engine), file(std::move(file)), directory(std::move(directory)) {}

void EngineSectionReader::Read(EngineConfiguration& out) const {
  ReadOperationMode(out);
  ReadActiveMonitoring(out);
  ReadMonitoredNic(out);
  ReadDdsConfigurationFilesPath(out);
  ReadThreadPoolSize(out);
  ReadValueFormats(out);
  ReadOutputs(out);
}

void EngineSectionReader::ReadOperationMode(EngineConfiguration& out) const {
  const std::string text = ElementText(engine, "operation_mode");
  if (text.empty()) {
    throw std::runtime_error("no operation_mode definition found in xml configuration file : " +
                             file.string());
  }
  const auto mode = LookUp(kModes, text);
  if (!mode) {
    throw std::runtime_error(
        "engine operation_mode tag not in range. Supported value are - [ACTIVE_STATIC_MONITORING, "
        "ACTIVE_DYNAMIC_MONITORING, PASSIVE_DYNAMIC_MONITORING, RECORD_DISSECTION, "
        "MESSAGE_INJECTION, TYPE_INTROSPECTION] : " +
        file.string());
  }
  out.operationMode = *mode;
}

void EngineSectionReader::ReadActiveMonitoring(EngineConfiguration& out) const {
  // Injection joins a domain too, but takes domain and participant from the participant file.
  if (out.operationMode != EngineOperationMode::ACTIVE_STATIC_MONITORING &&
      out.operationMode != EngineOperationMode::ACTIVE_DYNAMIC_MONITORING) {
    return;
  }
  const pugi::xml_node active = engine.child("active_monitoring");
  const std::string domainId = ElementText(active, "domain_id");
  if (domainId.empty()) {
    LogDebug(
        "no active_monitoring.domain_id provided. Using the default domain id according to "
        "participantDefinition file");
  } else {
    const long value = std::stol(domainId);
    if (value < 0 || value > 255) {
      throw std::runtime_error("provided active_monitoring.domain_id is not in range [0,255] " +
                               file.string());
    }
    out.domainId = value;
  }
  const std::string participant = ElementText(active, "participant_name");
  if (participant.empty()) {
    LogDebug(
        "no active_monitoring.domainParticipantName provided. Using the first "
        "domainParticipantName according to participantDefinition file");
  } else {
    out.domainParticipantName = participant;
  }
}

void EngineSectionReader::ReadMonitoredNic(EngineConfiguration& out) const {
  if (out.operationMode != EngineOperationMode::PASSIVE_DYNAMIC_MONITORING) return;
  const std::string nic =
      ElementText(engine.child("passive_dynamic_monitoring"), "monitored_nic_name");
  if (nic.empty()) {
    throw std::runtime_error(
        "no monitored_nic_name definition found in xml configuration file : " + file.string());
  }
  out.monitoredInterfaceName = nic;
}

void EngineSectionReader::ReadDdsConfigurationFilesPath(EngineConfiguration& out) const {
  const std::string text = ElementText(engine, "dds_configuration_files_path");
  try {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(';', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) paths.push_back((directory / text.substr(start, end - start)).string());
      start = end + 1;
    }
    if (paths.empty()) {
      paths.push_back(ResolveRelative(directory, text).string());
    }
    out.ddsConfigurationFilesPath = std::move(paths);
  } catch (const std::exception& e) {
    throw std::runtime_error("error dissecting dds_configuration_files_path - " + text +
                             " .error: " + e.what());
  }
}

void EngineSectionReader::ReadThreadPoolSize(EngineConfiguration& out) const {
  const std::string text = ElementText(engine, "thread_pool_size");
  if (text.empty()) {
    LogDebug("thread_pool_size is not defined in config file. Setting by default to " +
             std::to_string(out.threadPoolSize));
    return;
  }
  const long value = std::stol(text);
  if (!IsPositiveInt32(value)) {
    throw std::runtime_error("provided thread_pool_size is not in range [1,INT32_MAX] " +
                             file.string());
  }
  out.threadPoolSize = static_cast<std::uint64_t>(value);
}

void EngineSectionReader::ReadValueFormats(EngineConfiguration& out) const {
  const pugi::xml_node output = engine.child("output_configuration");
  const std::string where = file.string();
  ReadFormat(output, "boolean_format", kBooleanFormats,
             "No engine_output.boolean_format is defined. Setting by default to NUMERIC",
             "Incorrect value inserted under boolean_format. Supported value are - [STRING, "
             "NUMERIC] " + where,
             out.booleanFormat);
  ReadFormat(output, "char_array_format", kCharArrayFormats,
             "No engine_output.char_array_format is defined. Setting by default to BYTE",
             "Incorrect value inserted under csv_output.char_array_format. Supported value are - "
             "[STRING, BYTE] " + where,
             out.charArrayFormat);
  ReadFormat(output, "byte_array_format", kByteArrayFormats,
             "No engine_output.byte_array_format is defined. Setting by default to ELEMENT",
             "Incorrect value inserted under byte_array_format. Supported value are - [ELEMENT, "
             "BUFFER] " + where,
             out.byteArrayFormat);
  ReadFormat(output, "enum_format", kEnumFormats,
             "No engine_output.enum_format is defined. Setting by default to VALUE",
             "Incorrect value inserted under enumOutputFormat. Supported value are - [VALUE, NAME, "
             "VALUE_AND_NAME] " + where,
             out.enumOutputFormat);
}

bool EngineSectionReader::ReadFlag(const std::optional<std::string>& text,
                                   const std::string& name, bool& field) const {
  if (!text) {
    LogTrace("No " + name + " is defined. Disabled by default");
    return false;
  }
  const std::string value = ToLower(*text);
  if (value != "true" && value != "false") {
    throw std::runtime_error("Incorrect value inserted under " + name +
                             ". Supported value are - [TRUE, FALSE] " + file.string());
  }
  field = value == "true";
  return true;
}

void EngineSectionReader::ReadOutputs(EngineConfiguration& out) const {
  const pugi::xml_node output = engine.child("output_configuration");

  const pugi::xml_node csv = output.child("csv_output");
  if (ReadFlag(AttributeText(csv, "enabled"), "csv_output", out.csvOutput) &&
      out.csvOutput) {
    const std::string given = ElementText(csv, "output_path");
    const fs::path resolved = ResolveRelative(directory, given);
    std::error_code error;
    if (!fs::is_directory(resolved, error)) {
      throw std::runtime_error("error dissecting provided csv output path - " + given);
    }
    out.CSVOutputPath = resolved.string();
  }

  const pugi::xml_node json = output.child("json_output");
  if (ReadFlag(AttributeText(json, "enabled"), "json_output", out.jsonOutput) &&
      out.jsonOutput) {
    ReadFormat(json, "fields_ordering", kOrderings,
               "No json_output.fields_ordering is defined. Setting by default to "
               "TYPE_BASED_ORDERING",
               "Incorrect value inserted under json_output.fields_ordering. Supported value are - "
               "[TYPE_BASED_ORDERING, STANDARDIZED_UNORDERED] " + file.string(),
               out.fieldsOrdering);
  }

  ReadFlag(AttributeText(output.child("map_output"), "enabled"), "map_output",
           out.mapOutput);
  ReadFlag(AttributeText(output.child("IDE_output"), "enabled"), "IDE_output",
           out.ideOutput);
  ReadFlag(NonEmpty(ElementText(engine.child("introspection_configuration"),
                                "parse_ROS2_constants")),
           "parseROS2Constants", out.parseROS2Constants);
}

}  // namespace Quorvel
