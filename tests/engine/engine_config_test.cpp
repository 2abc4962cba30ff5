// Validation of the caller's EngineConfiguration: every check, its order, its exact text, and
// the fields it copies.

#include "engine/support/Thrown.h"

#include "engine/core/EngineConfig.h"
#include "engine/core/NetworkAdapters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

using Mode = EngineOperationMode;

EngineConfiguration Valid(Mode mode) {
  EngineConfiguration c;
  c.operationMode = mode;
  c.jsonOutput = true;
  c.monitoredInterfaceName = "lo";
  return c;
}

std::string Validate(const EngineConfiguration& c) {
  EngineConfig config;
  return Thrown<std::runtime_error>([&] { config.InitializeAndVerifyConfiguration(c); });
}

constexpr const char* kAccepted = "<no exception>";

struct Case {
  const char* name;
  Mode mode;
  std::function<void(EngineConfiguration&)> change;
  std::string expected;
};

TEST(EngineConfigValidation, EachCheckWithItsExactText) {
  const std::string noOutput =
      "Non of the engine's outputs are enabled. Enable Json/Map/IDE output.";
  const std::string ide =
      "IDE output is disabled for unbounded types. Use JSON or MAP output instead";
  const std::string csv =
      "CSV output is disabled for unbounded types. Use JSON or MAP output instead";
  const std::string domain = "engineConfiguration.domainId is not in range [0, 255]";
  const std::string pool = "engineConfiguration.threadPoolSize is not in range [1,INT32_MAX] - ";
  const auto noOutputs = [](EngineConfiguration& c) { c.jsonOutput = c.mapOutput = false; };

  const Case cases[] = {
      {"pool 0", Mode::RECORD_DISSECTION, [](auto& c) { c.threadPoolSize = 0; }, pool + "0"},
      {"pool 2^31", Mode::RECORD_DISSECTION, [](auto& c) { c.threadPoolSize = 2147483648ULL; },
       pool + "2147483648"},
      {"pool 2^64-1", Mode::RECORD_DISSECTION, [](auto& c) { c.threadPoolSize = ~0ULL; },
       pool + "18446744073709551615"},
      {"pool 1", Mode::RECORD_DISSECTION, [](auto& c) { c.threadPoolSize = 1; }, kAccepted},
      {"pool max", Mode::RECORD_DISSECTION, [](auto& c) { c.threadPoolSize = 2147483647; },
       kAccepted},
      {"domain -1", Mode::ACTIVE_STATIC_MONITORING, [](auto& c) { c.domainId = -1; }, kAccepted},
      {"domain 0", Mode::ACTIVE_DYNAMIC_MONITORING, [](auto& c) { c.domainId = 0; }, kAccepted},
      {"domain 255", Mode::MESSAGE_INJECTION, [](auto& c) { c.domainId = 255; }, kAccepted},
      {"domain 256", Mode::ACTIVE_STATIC_MONITORING, [](auto& c) { c.domainId = 256; }, domain},
      {"domain -2", Mode::MESSAGE_INJECTION, [](auto& c) { c.domainId = -2; }, domain},
      {"domain huge", Mode::ACTIVE_DYNAMIC_MONITORING,
       [](auto& c) { c.domainId = std::numeric_limits<std::int64_t>::max(); }, domain},
      {"domain ignored passive", Mode::PASSIVE_DYNAMIC_MONITORING,
       [](auto& c) { c.domainId = 4000; }, kAccepted},
      {"domain ignored recording", Mode::RECORD_DISSECTION, [](auto& c) { c.domainId = -7; },
       kAccepted},
      {"domain ignored introspection", Mode::TYPE_INTROSPECTION,
       [](auto& c) { c.domainId = 256; }, kAccepted},
      {"no output static", Mode::ACTIVE_STATIC_MONITORING, noOutputs, noOutput},
      {"no output dynamic", Mode::ACTIVE_DYNAMIC_MONITORING, noOutputs, noOutput},
      {"no output passive", Mode::PASSIVE_DYNAMIC_MONITORING, noOutputs, noOutput},
      {"no output recording", Mode::RECORD_DISSECTION, noOutputs, noOutput},
      {"no output injection", Mode::MESSAGE_INJECTION, noOutputs, kAccepted},
      {"no output introspection", Mode::TYPE_INTROSPECTION, noOutputs, kAccepted},
      {"map only", Mode::RECORD_DISSECTION,
       [](auto& c) {
         c.jsonOutput = false;
         c.mapOutput = true;
       },
       kAccepted},
      {"csv with json", Mode::RECORD_DISSECTION, [](auto& c) { c.csvOutput = true; }, csv},
      {"ide with json", Mode::RECORD_DISSECTION, [](auto& c) { c.ideOutput = true; }, ide},
      {"ide before csv", Mode::RECORD_DISSECTION,
       [](auto& c) { c.ideOutput = c.csvOutput = true; }, ide},
      {"csv even in injection", Mode::MESSAGE_INJECTION, [](auto& c) { c.csvOutput = true; }, csv},
      {"csv path missing", Mode::RECORD_DISSECTION,
       [](auto& c) { c.CSVOutputPath = "/nonexistent/csv"; },
       "provided engineConfiguration.CSVOutputPath doesn't exist - /nonexistent/csv"},
      {"csv path a file", Mode::RECORD_DISSECTION,
       [](auto& c) { c.CSVOutputPath = "/etc/hostname"; },
       "provided engineConfiguration.CSVOutputPath doesn't exist - /etc/hostname"},
      {"csv path before csv flag", Mode::RECORD_DISSECTION,
       [](auto& c) {
         c.csvOutput = true;
         c.CSVOutputPath = "/nonexistent";
       },
       "provided engineConfiguration.CSVOutputPath doesn't exist - /nonexistent"},
      {"pool before domain", Mode::ACTIVE_STATIC_MONITORING,
       [](auto& c) {
         c.threadPoolSize = 0;
         c.domainId = 999;
       },
       pool + "0"},
      {"domain before outputs", Mode::ACTIVE_STATIC_MONITORING,
       [&](auto& c) {
         noOutputs(c);
         c.domainId = 999;
       },
       domain},
      {"mode outside the enumeration", static_cast<Mode>(9), noOutputs, kAccepted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineConfiguration configuration = Valid(c.mode);
    c.change(configuration);
    EXPECT_EQ(Validate(configuration), c.expected);
  }
}

TEST(EngineConfigValidation, MonitoredInterfaceMustMatchADeviceExactly) {
  const std::vector<std::string> adapters = ListNetworkAdapters();
  ASSERT_FALSE(adapters.empty()) << "libpcap lists no device on this machine";
  std::string listed;
  for (const std::string& adapter : adapters) listed += adapter + ", ";
  const std::string expected =
      "Provided monitoredInterfaceName doesn't exists. Possible values are - " + listed;

  for (const std::string name : {"LO", "lo ", "", "no-such-device"}) {
    SCOPED_TRACE(name);
    EngineConfiguration c = Valid(Mode::PASSIVE_DYNAMIC_MONITORING);
    c.monitoredInterfaceName = name;
    EXPECT_EQ(Validate(c), expected);
  }
  EngineConfiguration c = Valid(Mode::PASSIVE_DYNAMIC_MONITORING);
  c.monitoredInterfaceName = adapters.front();
  EXPECT_EQ(Validate(c), kAccepted);
  // Other modes never look at the device.
  c = Valid(Mode::RECORD_DISSECTION);
  c.monitoredInterfaceName = "LO";
  EXPECT_EQ(Validate(c), kAccepted);
}

TEST(EngineConfigValidation, CopiesWhatTheModeUses) {
  EngineConfiguration c = Valid(Mode::ACTIVE_STATIC_MONITORING);
  c.threadPoolSize = 7;
  c.domainId = 42;
  c.domainParticipantName = "Lib::Participant";
  c.mapOutput = true;
  c.fieldsOrdering = FieldsOrdering::STANDARDIZED_UNORDERED;
  c.booleanFormat = BooleanFormat::STRING;
  c.charArrayFormat = CharArrayFormat::STRING;
  c.byteArrayFormat = ByteArrayFormat::BUFFER;
  c.enumOutputFormat = EnumOutputFormat::VALUE_AND_NAME;
  c.parseROS2Constants = true;
  c.ddsConfigurationFilesPath = {"types/a.xml", "/abs/dir"};

  EngineConfig config;
  config.InitializeAndVerifyConfiguration(c);
  EXPECT_EQ(config.operationModeName, "ACTIVE_STATIC_MONITORING");
  EXPECT_EQ(config.threadPoolSize, 7u);
  EXPECT_EQ(config.domainId, 42);
  EXPECT_EQ(config.domainParticipantName, "Lib::Participant");
  EXPECT_TRUE(config.monitoredInterfaceName.empty());  // not a passive mode
  EXPECT_EQ(config.fieldsOrdering, FieldsOrdering::STANDARDIZED_UNORDERED);
  EXPECT_EQ(config.booleanFormat, BooleanFormat::STRING);
  EXPECT_EQ(config.charArrayFormat, CharArrayFormat::STRING);
  EXPECT_EQ(config.byteArrayFormat, ByteArrayFormat::BUFFER);
  EXPECT_EQ(config.enumOutputFormat, EnumOutputFormat::VALUE_AND_NAME);
  EXPECT_TRUE(config.parseROS2Constants);
  EXPECT_EQ(config.outputKinds.Bits(), 12u);
  EXPECT_TRUE(config.outputKinds.TestDissectionOptions(DissectionBitMap::kJson));
  EXPECT_FALSE(config.outputKinds.TestDissectionOptions(DissectionBitMap::kRowBuffer));
  EXPECT_EQ(config.bufferOutputKinds.Bits(), 3u);
  EXPECT_EQ(config.CSVOutputPath(), std::filesystem::current_path());
  ASSERT_EQ(config.ddsConfigurationFilesPath.size(), 2u);
  EXPECT_EQ(config.ddsConfigurationFilesPath[0], "types/a.xml");
  EXPECT_EQ(config.ddsConfigurationFilesPath[1], "/abs/dir");
}

TEST(EngineConfigValidation, PassiveModesKeepTheDefaultDomainAndTakeTheDevice) {
  EngineConfiguration c = Valid(Mode::PASSIVE_DYNAMIC_MONITORING);
  c.domainId = 12;
  c.domainParticipantName = "ignored";
  c.jsonOutput = false;
  c.mapOutput = true;
  EngineConfig config;
  config.InitializeAndVerifyConfiguration(c);
  EXPECT_EQ(config.domainId, -1);
  EXPECT_TRUE(config.domainParticipantName.empty());
  EXPECT_EQ(config.monitoredInterfaceName, "lo");
  EXPECT_EQ(config.outputKinds.Bits(), 4u);
  ASSERT_EQ(config.ddsConfigurationFilesPath.size(), 1u);
  EXPECT_EQ(config.ddsConfigurationFilesPath[0], std::filesystem::current_path());
}

TEST(EngineConfigValidation, AFailureKeepsOnlyTheFieldsCopiedBeforeIt) {
  EngineConfiguration c = Valid(Mode::ACTIVE_DYNAMIC_MONITORING);
  c.threadPoolSize = 3;
  c.domainId = 300;
  EngineConfig config;
  EXPECT_THROW(config.InitializeAndVerifyConfiguration(c), std::runtime_error);
  EXPECT_EQ(config.operationMode, Mode::ACTIVE_DYNAMIC_MONITORING);
  EXPECT_EQ(config.threadPoolSize, 3u);
  EXPECT_EQ(config.domainId, -1);
  EXPECT_FALSE(config.jsonOutput);
}

}  // namespace
}  // namespace Quorvel::Testing
