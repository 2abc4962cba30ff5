// The mode-specific operations: which state and mode each needs, in which order the facade
// checks them, and what it says when it refuses.

#include "engine/support/LogDirectory.h"
#include "engine/support/TestEngine.h"
#include "engine/support/Thrown.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

using Mode = EngineOperationMode;

enum class Stage { Constructed, Initialized, Running };

struct Case {
  const char* operation;
  Mode mode;
  Stage stage;
  std::function<void(Veltrane&)> call;
  std::string expected;
};

void Reach(Veltrane& veltrane, Mode mode, Stage stage) {
  if (stage == Stage::Constructed) return;
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.jsonOutput = true;
  configuration.monitoredInterfaceName = "lo";
  veltrane.Init(configuration);
  if (stage == Stage::Running) veltrane.Run();
}

TEST(ModeOperations, RefusalsByStateAndMode) {
  LogDirectory log;
  ScopedTestEngines engines;
  const auto introspect = [](Veltrane& v) { v.IntrospectType("T"); };
  const auto dissect = [](Veltrane& v) { v.DissectRecordingFile("r.pcap", false); };
  const auto addWriter = [](Veltrane& v) { v.AddWriterDiscoveryData("0x01", "Topic", "Type"); };
  const auto discovered = [](Veltrane& v) { v.GetDiscoveredWritersInfo(); };
  const auto injectJson = [](Veltrane& v) { v.InjectMessage("W", "{}", false, false); };
  const auto injectMap = [](Veltrane& v) { v.InjectMessage("W", {{"a", "1"}}, false, false); };
  const auto types = [](Veltrane& v) { v.GetTypesBasicInfo(); };
  const auto readers = [](Veltrane& v) { v.GetReadersInfo(); };

  const std::string introspectMode =
      "Cannot IntrospectType in current operation mode. Change to TYPE_INTROSPECTION.";
  const std::string notRunningInject =
      "Cannot Inject Message if the engine in not running. Call Run() before calling this function";
  const std::string injectMode =
      "Cannot Inject Message in current operation mode. Change to MESSAGE_INJECTION. ";
  const Case cases[] = {
      {"IntrospectType", Mode::ACTIVE_DYNAMIC_MONITORING, Stage::Constructed, introspect,
       introspectMode},
      {"IntrospectType", Mode::RECORD_DISSECTION, Stage::Running, introspect, introspectMode},
      {"IntrospectType", Mode::TYPE_INTROSPECTION, Stage::Initialized, introspect,
       "Cannot IntrospectType Message if the engine in not running. Call Run() before calling "
       "this function"},
      {"IntrospectType", Mode::TYPE_INTROSPECTION, Stage::Running, introspect,
       "IntrospectType is not provided by the PassiveEngine of this build"},
      {"DissectRecordingFile", Mode::RECORD_DISSECTION, Stage::Constructed, dissect,
       "Engine is not initialized"},
      {"DissectRecordingFile", Mode::RECORD_DISSECTION, Stage::Initialized, dissect,
       "Cannot DissectRecordingFile if the engine in not running. Call Run() before calling "
       "this function"},
      {"DissectRecordingFile", Mode::RECORD_DISSECTION, Stage::Running, dissect,
       "PassiveEngine::DissectRecordingFile Error : DissectRecordingFile is not provided by the "
       "PassiveEngine of this build"},
      {"AddWriterDiscoveryData", Mode::ACTIVE_STATIC_MONITORING, Stage::Running, addWriter,
       "AddWriterDiscoveryData not support in ACTIVE operation modes "},
      {"AddWriterDiscoveryData", Mode::ACTIVE_DYNAMIC_MONITORING, Stage::Constructed, addWriter,
       "AddWriterDiscoveryData not support in ACTIVE operation modes "},
      {"AddWriterDiscoveryData", Mode::PASSIVE_DYNAMIC_MONITORING, Stage::Initialized, addWriter,
       "Error adding Writer discovery data. Error = AddWriterDiscoveryData is not provided by the "
       "PassiveEngine of this build"},
      {"GetDiscoveredWritersInfo", Mode::MESSAGE_INJECTION, Stage::Running, discovered,
       "Operation not supported in Active opertaion mode (only Passive/RecordDissection."},
      {"GetDiscoveredWritersInfo", Mode::RECORD_DISSECTION, Stage::Initialized, discovered,
       "Error extracting Discovered Writers Info. Error = GetDiscoveredWritersInfo is not "
       "provided by the PassiveEngine of this build"},
      {"InjectMessage", Mode::MESSAGE_INJECTION, Stage::Constructed, injectJson,
       "Engine is not initialized"},
      {"InjectMessage", Mode::MESSAGE_INJECTION, Stage::Initialized, injectJson, notRunningInject},
      {"InjectMessage", Mode::ACTIVE_STATIC_MONITORING, Stage::Running, injectJson, injectMode},
      {"InjectMessage", Mode::TYPE_INTROSPECTION, Stage::Running, injectMap, injectMode},
      {"InjectMessage", Mode::MESSAGE_INJECTION, Stage::Initialized, injectMap, notRunningInject},
      {"GetTypesBasicInfo", Mode::TYPE_INTROSPECTION, Stage::Constructed, types,
       "Engine is not initialized / running"},
      {"GetReadersInfo", Mode::ACTIVE_STATIC_MONITORING, Stage::Constructed, readers,
       "Engine is not initialized"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.operation) + " in mode " + std::to_string(static_cast<int>(c.mode)) +
                 " at stage " + std::to_string(static_cast<int>(c.stage)));
    Veltrane veltrane;
    Reach(veltrane, c.mode, c.stage);
    EXPECT_EQ(Thrown<std::runtime_error>([&] { c.call(veltrane); }), c.expected);
    EXPECT_TRUE(log.Contains("error", c.expected));
  }
}

TEST(ModeOperations, NetworkAdaptersAreSortedAndUnique) {
  const std::vector<std::string> adapters = Veltrane::GetAvailableNetworkAdaptersList();
  ASSERT_FALSE(adapters.empty());
  EXPECT_TRUE(std::is_sorted(adapters.begin(), adapters.end()));
  EXPECT_EQ(std::adjacent_find(adapters.begin(), adapters.end()), adapters.end());
  EXPECT_NE(std::find(adapters.begin(), adapters.end(), "lo"), adapters.end());
}

}  // namespace
}  // namespace Quorvel::Testing
