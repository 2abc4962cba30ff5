// The configuration file readers: every field, every default, every refusal with its exact
// text and exception type, and the relative-path rules.

#include "engine/support/LogDirectory.h"
#include "engine/support/Thrown.h"

#include "ddsconfig/XMLParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

namespace fs = std::filesystem;

class ConfigXml : public ::testing::Test {
 protected:
  // Writes Quorvel_Veltrane_Config.xml with `engine` and `factory` as the sections' content.
  fs::path Write(const std::string& engine, const std::string& factory = "") {
    const fs::path file = dir.Path() / XMLParser::kConfigFileName;
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<Quorvel>\n<factory>" << factory
                        << "</factory>\n<engine>" << engine << "</engine>\n</Quorvel>\n";
    return file;
  }
  EngineConfiguration ReadEngine(const fs::path& path) {
    EngineConfiguration out;
    XMLParser().InitEngineConfigurationFromXML(path, "", out);
    return out;
  }
  std::string EngineError(const std::string& engine) {
    const fs::path file = Write(engine);
    return Thrown<std::runtime_error>([&] { ReadEngine(file); });
  }
  FactoryConfiguration ReadFactory(const fs::path& path) {
    FactoryConfiguration out;
    XMLParser().InitFactoryConfigurationFromXML(path, out);
    return out;
  }
  template <typename E>
  std::string FactoryError(const std::string& factory) {
    const fs::path file = Write("", factory);
    return Thrown<E>([&] { ReadFactory(file); });
  }
  std::string File() const { return (dir.Path() / XMLParser::kConfigFileName).string(); }

  LogDirectory log{LogSeverityLevel::TRACE};
  TemporaryDirectory dir;
};

std::string Mode(const std::string& name) { return "<operation_mode>" + name + "</operation_mode>"; }

std::string Output(const std::string& inner) {
  return Mode("RECORD_DISSECTION") + "<output_configuration>" + inner + "</output_configuration>";
}

TEST_F(ConfigXml, EngineSectionRefusals) {
  const std::string file = File();
  const std::string tf = " Supported value are - [TRUE, FALSE] " + file;
  struct Case {
    std::string engine;
    std::string expected;
  };
  const Case cases[] = {
      {"", "no operation_mode definition found in xml configuration file : " + file},
      {Mode("passive_dynamic_monitoring"),
       "engine operation_mode tag not in range. Supported value are - [ACTIVE_STATIC_MONITORING, "
       "ACTIVE_DYNAMIC_MONITORING, PASSIVE_DYNAMIC_MONITORING, RECORD_DISSECTION, "
       "MESSAGE_INJECTION, TYPE_INTROSPECTION] : " + file},
      {Mode("ACTIVE_STATIC_MONITORING") + "<active_monitoring><domain_id>-1</domain_id></active_monitoring>",
       "provided active_monitoring.domain_id is not in range [0,255] " + file},
      {Mode("ACTIVE_DYNAMIC_MONITORING") + "<active_monitoring><domain_id>256</domain_id></active_monitoring>",
       "provided active_monitoring.domain_id is not in range [0,255] " + file},
      {Mode("PASSIVE_DYNAMIC_MONITORING"),
       "no monitored_nic_name definition found in xml configuration file : " + file},
      {Mode("RECORD_DISSECTION") + "<thread_pool_size>0</thread_pool_size>",
       "provided thread_pool_size is not in range [1,INT32_MAX] " + file},
      {Mode("RECORD_DISSECTION") + "<thread_pool_size>2147483648</thread_pool_size>",
       "provided thread_pool_size is not in range [1,INT32_MAX] " + file},
      {Output("<boolean_format>yes</boolean_format>"),
       "Incorrect value inserted under boolean_format. Supported value are - [STRING, NUMERIC] " + file},
      {Output("<char_array_format>CHAR</char_array_format>"),
       "Incorrect value inserted under csv_output.char_array_format. Supported value are - "
       "[STRING, BYTE] " + file},
      {Output("<byte_array_format>BYTES</byte_array_format>"),
       "Incorrect value inserted under byte_array_format. Supported value are - [ELEMENT, BUFFER] " + file},
      {Output("<enum_format>ORDINAL</enum_format>"),
       "Incorrect value inserted under enumOutputFormat. Supported value are - [VALUE, NAME, "
       "VALUE_AND_NAME] " + file},
      {Output("<csv_output enabled=\"on\"/>"), "Incorrect value inserted under csv_output." + tf},
      {Output("<csv_output enabled=\"true\"><output_path>missing</output_path></csv_output>"),
       "error dissecting provided csv output path - missing"},
      {Output("<json_output enabled=\"yes\"/>"), "Incorrect value inserted under json_output." + tf},
      {Output("<json_output enabled=\"true\"><fields_ordering>SORTED</fields_ordering></json_output>"),
       "Incorrect value inserted under json_output.fields_ordering. Supported value are - "
       "[TYPE_BASED_ORDERING, STANDARDIZED_UNORDERED] " + file},
      {Output("<map_output enabled=\"1\"/>"), "Incorrect value inserted under map_output." + tf},
      {Output("<IDE_output enabled=\"no\"/>"), "Incorrect value inserted under IDE_output." + tf},
      {Mode("TYPE_INTROSPECTION") +
           "<introspection_configuration><parse_ROS2_constants>maybe</parse_ROS2_constants>"
           "</introspection_configuration>",
       "Incorrect value inserted under parseROS2Constants." + tf},
      // The first bad value ends the reading: the mode is checked before the pool size.
      {"<operation_mode>X</operation_mode><thread_pool_size>0</thread_pool_size>",
       "engine operation_mode tag not in range. Supported value are - [ACTIVE_STATIC_MONITORING, "
       "ACTIVE_DYNAMIC_MONITORING, PASSIVE_DYNAMIC_MONITORING, RECORD_DISSECTION, "
       "MESSAGE_INJECTION, TYPE_INTROSPECTION] : " + file},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.engine);
    EXPECT_EQ(EngineError(c.engine), c.expected);
  }
  // A pool size that is no number fails in the conversion.
  const fs::path notNumber = Write(Mode("RECORD_DISSECTION") + "<thread_pool_size>many</thread_pool_size>");
  EXPECT_EQ(Thrown<std::invalid_argument>([&] { ReadEngine(notNumber); }), "stol");
}

TEST_F(ConfigXml, MissingAndCorruptedFiles) {
  const std::string missing = (dir.Path() / "nothing.xml").string();
  EXPECT_EQ(Thrown<std::runtime_error>([&] { ReadEngine(missing); }),
            "InitEngineConfigurationFromXML . Directory / file " + missing + " doesn't exist ");
  EXPECT_EQ(Thrown<std::runtime_error>([&] { ReadFactory(missing); }),
            " directory / file " + missing + " doesn't exist");
  // A directory without the file names the file it looked for.
  EXPECT_EQ(Thrown<std::runtime_error>([&] { ReadEngine(dir.Path()); }),
            "InitEngineConfigurationFromXML . Directory / file " + File() + " doesn't exist ");

  std::ofstream(File()) << "<Quorvel><engine><operation_mode>RECORD_DISSECTION</engine>";
  EXPECT_EQ(Thrown<std::runtime_error>([&] { ReadEngine(File()); }),
            "InitEngineConfigurationFromXML . " + File() + " is  corrupted");
  EXPECT_EQ(Thrown<std::runtime_error>([&] { ReadFactory(File()); }),
            " directory / file " + File() + " is corrupted");
}

TEST_F(ConfigXml, DefaultsWithTheirDebugLines) {
  const EngineConfiguration c = ReadEngine(Write(Mode("ACTIVE_DYNAMIC_MONITORING")));
  EXPECT_EQ(c.operationMode, EngineOperationMode::ACTIVE_DYNAMIC_MONITORING);
  EXPECT_EQ(c.domainId, -1);
  EXPECT_EQ(c.domainParticipantName, "");
  EXPECT_EQ(c.threadPoolSize, 1u);
  EXPECT_EQ(c.booleanFormat, BooleanFormat::NUMERIC);
  EXPECT_EQ(c.charArrayFormat, CharArrayFormat::BYTE);
  EXPECT_EQ(c.byteArrayFormat, ByteArrayFormat::ELEMENT);
  EXPECT_EQ(c.enumOutputFormat, EnumOutputFormat::VALUE);
  EXPECT_FALSE(c.jsonOutput || c.mapOutput || c.csvOutput || c.ideOutput || c.parseROS2Constants);
  EXPECT_EQ(c.ddsConfigurationFilesPath, std::vector<std::string>{dir.Path().string()});

  const std::pair<const char*, const char*> lines[] = {
      {"debug",
       "no active_monitoring.domain_id provided. Using the default domain id according to "
       "participantDefinition file"},
      {"debug",
       "no active_monitoring.domainParticipantName provided. Using the first "
       "domainParticipantName according to participantDefinition file"},
      {"debug", "thread_pool_size is not defined in config file. Setting by default to 1"},
      {"debug", "No engine_output.boolean_format is defined. Setting by default to NUMERIC"},
      {"debug", "No engine_output.char_array_format is defined. Setting by default to BYTE"},
      {"debug", "No engine_output.byte_array_format is defined. Setting by default to ELEMENT"},
      {"debug", "No engine_output.enum_format is defined. Setting by default to VALUE"},
      {"trace", "No csv_output is defined. Disabled by default"},
      {"trace", "No json_output is defined. Disabled by default"},
      {"trace", "No map_output is defined. Disabled by default"},
      {"trace", "No IDE_output is defined. Disabled by default"},
      {"trace", "No parseROS2Constants is defined. Disabled by default"},
  };
  for (const auto& [severity, text] : lines) EXPECT_TRUE(log.Contains(severity, text)) << text;
}

TEST_F(ConfigXml, EveryFieldRead) {
  fs::create_directories(dir.Path() / "csv");
  const EngineConfiguration c = ReadEngine(Write(
      Mode("ACTIVE_STATIC_MONITORING") +
      "<active_monitoring><domain_id>17</domain_id><participant_name>Lib::P</participant_name>"
      "</active_monitoring>"
      "<dds_configuration_files_path>types.xml;qos/;;/abs/participants.xml</dds_configuration_files_path>"
      "<thread_pool_size> 8 </thread_pool_size>"
      "<output_configuration><boolean_format>string</boolean_format>"
      "<char_array_format>String</char_array_format><byte_array_format>buffer</byte_array_format>"
      "<enum_format>value_and_name</enum_format>"
      "<csv_output enabled=\"TRUE\"><output_path>csv</output_path></csv_output>"
      "<json_output enabled=\"True\"><fields_ordering>standardized_unordered</fields_ordering></json_output>"
      "<map_output enabled=\"true\"/><IDE_output enabled=\"FALSE\"/></output_configuration>"
      "<introspection_configuration><parse_ROS2_constants>TRUE</parse_ROS2_constants>"
      "</introspection_configuration>"));
  EXPECT_EQ(c.domainId, 17);
  EXPECT_EQ(c.domainParticipantName, "Lib::P");
  const std::vector<std::string> expectedPaths = {(dir.Path() / "types.xml").string(),
                                                  (dir.Path() / "qos/").string(),
                                                  "/abs/participants.xml"};
  EXPECT_EQ(c.ddsConfigurationFilesPath, expectedPaths);
  EXPECT_EQ(c.threadPoolSize, 8u);
  EXPECT_EQ(c.booleanFormat, BooleanFormat::STRING);
  EXPECT_EQ(c.charArrayFormat, CharArrayFormat::STRING);
  EXPECT_EQ(c.byteArrayFormat, ByteArrayFormat::BUFFER);
  EXPECT_EQ(c.enumOutputFormat, EnumOutputFormat::VALUE_AND_NAME);
  EXPECT_TRUE(c.csvOutput);
  EXPECT_EQ(c.CSVOutputPath, (dir.Path() / "csv").string());
  EXPECT_TRUE(c.jsonOutput);
  EXPECT_EQ(c.fieldsOrdering, FieldsOrdering::STANDARDIZED_UNORDERED);
  EXPECT_TRUE(c.mapOutput);
  EXPECT_FALSE(c.ideOutput);
  EXPECT_TRUE(c.parseROS2Constants);
}

TEST_F(ConfigXml, ModeDecidesWhichSectionsAreRead) {
  const std::string active =
      "<active_monitoring><domain_id>999</domain_id><participant_name>P</participant_name>"
      "</active_monitoring>";
  // Injection takes domain and participant from the participant file: the element is ignored.
  const EngineConfiguration injection = ReadEngine(Write(Mode("MESSAGE_INJECTION") + active));
  EXPECT_EQ(injection.domainId, -1);
  EXPECT_EQ(injection.domainParticipantName, "");

  const EngineConfiguration passive = ReadEngine(Write(
      Mode("PASSIVE_DYNAMIC_MONITORING") + active +
      "<passive_dynamic_monitoring><monitored_nic_name>lo</monitored_nic_name></passive_dynamic_monitoring>"));
  EXPECT_EQ(passive.monitoredInterfaceName, "lo");
  EXPECT_EQ(passive.domainId, -1);

  // JSON off: fields_ordering is not read, so a bad value there does no harm.
  const EngineConfiguration jsonOff = ReadEngine(Write(Output(
      "<json_output enabled=\"false\"><fields_ordering>BAD</fields_ordering></json_output>")));
  EXPECT_FALSE(jsonOff.jsonOutput);
}

TEST_F(ConfigXml, DirectoryPathFindsTheFileAndTwoRelativeNamesStayInOrder) {
  Write(Mode("TYPE_INTROSPECTION") +
        "<dds_configuration_files_path>b.xml;a.xml</dds_configuration_files_path>");
  const EngineConfiguration c = ReadEngine(dir.Path());
  EXPECT_EQ(c.operationMode, EngineOperationMode::TYPE_INTROSPECTION);
  const std::vector<std::string> expected = {(dir.Path() / "b.xml").string(),
                                             (dir.Path() / "a.xml").string()};
  EXPECT_EQ(c.ddsConfigurationFilesPath, expected);
}

TEST_F(ConfigXml, FactorySectionRefusals) {
  const std::string logging = "<logging>";
  EXPECT_EQ(FactoryError<std::out_of_range>(logging + "<verbosity>info</verbosity></logging>"),
            " Logger verbosity provided value is not valid info. Valid values are = [FATAL, "
            "ERROR, WARNING, INFO, DEBUG, TRACE]");
  EXPECT_EQ(FactoryError<std::out_of_range>(logging + "<max_file_byte_size>0</max_file_byte_size></logging>"),
            "logger max_file_size provided value is not in range [1,INT32_MAX] - 0");
  EXPECT_EQ(FactoryError<std::out_of_range>(
                logging + "<max_file_byte_size>2147483648</max_file_byte_size></logging>"),
            "logger max_file_size provided value is not in range [1,INT32_MAX] - 2147483648");
  EXPECT_EQ(FactoryError<std::out_of_range>(logging + "<max_files>0</max_files></logging>"),
            "logger max_files provided value is not in range [1,INT32_MAX] - 0");
  EXPECT_EQ(FactoryError<std::out_of_range>(logging + "<max_files>-3</max_files></logging>"),
            "logger max_files provided value is not in range [1,INT32_MAX] - -3");
  EXPECT_EQ(FactoryError<std::invalid_argument>(logging + "<max_files>ten</max_files></logging>"),
            "stol");
  EXPECT_EQ(FactoryError<std::runtime_error>(logging + "<path>logs</path></logging>"),
            "provided logger path doesn't exist - " + (dir.Path() / "logs").string());
}

TEST_F(ConfigXml, FactorySectionValuesAndDefaults) {
  fs::create_directories(dir.Path() / "logs");
  const FactoryConfiguration full = ReadFactory(Write(
      "", "<logging><verbosity>WARNING</verbosity><max_file_byte_size>4096</max_file_byte_size>"
          "<max_files>+5</max_files><path>logs</path></logging>"));
  EXPECT_EQ(full.logger.verbosity, LogSeverityLevel::WARNING);
  EXPECT_EQ(full.logger.maxFileByteSize, 4096);
  EXPECT_EQ(full.logger.maxFiles, 5);
  EXPECT_EQ(full.logger.loggingDir, (dir.Path() / "logs").string());

  const FactoryConfiguration empty = ReadFactory(Write(""));
  EXPECT_EQ(empty.logger.verbosity, LogSeverityLevel::INFO);
  EXPECT_EQ(empty.logger.maxFileByteSize, -1);
  EXPECT_EQ(empty.logger.maxFiles, 1);
  EXPECT_EQ(empty.logger.loggingDir, dir.Path().string());
  EXPECT_TRUE(log.Contains("debug",
                           "Cannot detect logger verbosity definition in xml configuration file. "
                           "Setting to default value = 2"));
}

}  // namespace
}  // namespace Quorvel::Testing
