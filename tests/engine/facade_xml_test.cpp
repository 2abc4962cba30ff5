// The facade's configuration-file entry points: Init from a file and the factory from a file.

#include "engine/support/LogDirectory.h"
#include "engine/support/TestEngine.h"
#include "engine/support/Thrown.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

namespace fs = std::filesystem;

fs::path WriteConfig(const fs::path& directory, const std::string& body) {
  const fs::path file = directory / "Quorvel_Veltrane_Config.xml";
  std::ofstream(file) << "<Quorvel>" << body << "</Quorvel>";
  return file;
}

TEST(FacadeXml, InitFromFileReportsTheCauseUnderTheFileName) {
  LogDirectory log;
  ScopedTestEngines engines;
  TemporaryDirectory dir;
  const fs::path file = WriteConfig(dir.Path(), "<engine><operation_mode>NONE</operation_mode></engine>");
  Veltrane veltrane;
  const std::string expected =
      "Error initializing Engine from XML configuration file " + file.string() +
      ". Error = engine operation_mode tag not in range. Supported value are - "
      "[ACTIVE_STATIC_MONITORING, ACTIVE_DYNAMIC_MONITORING, PASSIVE_DYNAMIC_MONITORING, "
      "RECORD_DISSECTION, MESSAGE_INJECTION, TYPE_INTROSPECTION] : " + file.string();
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Init(file.string()); }), expected);
  EXPECT_TRUE(log.Contains("error", expected));

  // Validation failures of the record read from the file come through the same wrapper.
  WriteConfig(dir.Path(), "<engine><operation_mode>RECORD_DISSECTION</operation_mode></engine>");
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Init(dir.Path().string()); }),
            "Error initializing Engine from XML configuration file " + dir.Path().string() +
                ". Error = Error initializing and verifing engine configuration. Non of the "
                "engine's outputs are enabled. Enable Json/Map/IDE output.");

  WriteConfig(dir.Path(),
              "<engine><operation_mode>RECORD_DISSECTION</operation_mode>"
              "<output_configuration><map_output enabled=\"true\"/></output_configuration></engine>");
  veltrane.Init(dir.Path().string());
  EXPECT_EQ(veltrane.OperationMode(), EngineOperationMode::RECORD_DISSECTION);
  EXPECT_EQ(engines.Script().inits, 1);
}

TEST(FacadeXml, InitConfiguresAnUnconfiguredFactoryWithDefaults) {
  TemporaryDirectory dir;
  const fs::path previous = fs::current_path();
  fs::current_path(dir.Path());
  Veltrane::FinalizeFactory();
  {
    ScopedTestEngines engines;
    Veltrane veltrane;
    EngineConfiguration configuration;
    configuration.operationMode = EngineOperationMode::TYPE_INTROSPECTION;
    veltrane.Init(configuration);
    EXPECT_TRUE(EngineFactory::Instance().IsConfigured());
    EXPECT_EQ(EngineFactory::Instance().Configuration().logger.verbosity, LogSeverityLevel::INFO);
  }
  Veltrane::FinalizeFactory();
  fs::current_path(previous);
  EXPECT_TRUE(fs::exists(dir.Path() / "Quorvel.VeltraneLog_0.log"));
}

TEST(FacadeXml, FactoryFromFilePassesTheCauseOnUnchanged) {
  TemporaryDirectory logs;
  {
    LogDirectory log;  // an earlier configuration receives the reports
    Veltrane::FinalizeFactory();
    const fs::path file = WriteConfig(
        logs.Path(), "<factory><logging><max_files>0</max_files></logging></factory>");
    const std::string cause = "logger max_files provided value is not in range [1,INT32_MAX] - 0";
    EXPECT_EQ(Thrown<std::out_of_range>([&] { Veltrane::SetFactoryConfiguration(file.string()); }),
              cause);
    EXPECT_TRUE(log.Contains("error", "error in SetFactoryConfiguration : " + cause));
    EXPECT_FALSE(EngineFactory::Instance().IsConfigured());
  }
  WriteConfig(logs.Path(),
              "<factory><logging><verbosity>ERROR</verbosity><path>.</path></logging></factory>");
  Veltrane::SetFactoryConfiguration(logs.Path().string());
  EXPECT_EQ(EngineFactory::Instance().Configuration().logger.verbosity, LogSeverityLevel::ERROR);
  ExternalLogger::Log(LogSeverityLevel::ERROR, "configured from a file");
  Veltrane::FinalizeFactory();
  std::ifstream in(logs.Path() / "Quorvel.VeltraneLog_0.log");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[error]"), std::string::npos);
  EXPECT_NE(text.find("configured from a file"), std::string::npos);
}

}  // namespace
}  // namespace Quorvel::Testing
