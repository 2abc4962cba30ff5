// Binding listeners and queued delivery through the facade: the exact refusals, and what a
// failed registration leaves behind.

#include "engine/support/LogDirectory.h"
#include "engine/support/TestEngine.h"
#include "engine/support/Thrown.h"

#include "engine/core/EngineDB.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

using O = EngineListenerEventsOptions;

constexpr unsigned long Bit(O option) { return static_cast<unsigned long>(option); }

class ListenerBinding : public ::testing::Test {
 protected:
  // A running engine of the test kind with the given outputs.
  std::unique_ptr<Veltrane> Start(bool json, bool map) {
    EngineConfiguration configuration;
    configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
    configuration.jsonOutput = json;
    configuration.mapOutput = map;
    auto veltrane = std::make_unique<Veltrane>();
    veltrane->Init(configuration);
    veltrane->Run();
    return veltrane;
  }
  EngineDB& Registry() { return engines.Script().lastCreated.load()->Registry(); }

  LogDirectory log;
  ScopedTestEngines engines;
  EngineListener listener;
};

TEST_F(ListenerBinding, RefusedBeforeInit) {
  Veltrane veltrane;
  const std::string bindError =
      "Veltrane::BindListener Fatal Error: Cannot bind listener if Engine is not initialized";
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.BindListener(&listener, 0); }), bindError);
  EXPECT_TRUE(log.Contains("error", "Cannot bind listener if Engine is not initialized"));
  EXPECT_TRUE(log.Contains("fatal", bindError));
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.SetQueuedMessageKind(2); }), bindError);
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.UnbindListener(); }),
            "Veltrane::UnbindListener Fatal Error: Cannot unbind listener if Engine is not "
            "initialized");
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.GetNextDissectedSample(); }),
            "Engine is not initialized / running");
}

TEST_F(ListenerBinding, EventsNeedTheMatchingOutput) {
  struct Case {
    bool json;
    bool map;
    unsigned long events;
    std::string error;  // empty: accepted
  };
  const std::string jsonError =
      "Veltrane::BindListener Fatal Error: Cannot register to JSON based events without enabling "
      "the engine JSON output";
  const std::string mapError =
      "Veltrane::BindListener Fatal Error: Cannot register to MAP based events without enabling "
      "the engine MAP output";
  const Case cases[] = {
      {false, true, Bit(O::USER_DATA_JSON), jsonError},
      {false, true, Bit(O::DISCOVERY_DATA_JSON), jsonError},
      {true, false, Bit(O::USER_DATA_MAP), mapError},
      {true, false, Bit(O::DISCOVERY_DATA_MAP), mapError},
      {true, false, Bit(O::USER_DATA_JSON) | Bit(O::USER_DATA_MAP), mapError},
      {true, true, Bit(O::USER_DATA_JSON) | Bit(O::DISCOVERY_DATA_MAP), ""},
      {true, false, Bit(O::USER_DATA_AVAILABLE_NOTIFICATION), ""},
      {false, true, 0, ""},
      // Only the low 32 bits count: bit 32 is dropped before the check.
      {true, false, (1UL << 32) | Bit(O::USER_DATA_JSON), ""},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index++);
    auto veltrane = Start(c.json, c.map);
    EngineDB& registry = Registry();
    const std::string error =
        Thrown<std::runtime_error>([&] { veltrane->BindListener(&listener, c.events); });
    if (c.error.empty()) {
      EXPECT_EQ(error, "<no exception>");
      EXPECT_EQ(registry.Listener(), &listener);
      for (O option : {O::USER_DATA_JSON, O::USER_DATA_MAP, O::DISCOVERY_DATA_MAP}) {
        EXPECT_EQ(registry.CheckRegisteredEvent(option), (c.events & Bit(option)) != 0);
      }
    } else {
      EXPECT_EQ(error, c.error);
      EXPECT_TRUE(log.Contains("fatal", c.error));
      // A failed registration leaves neither listener nor events.
      EXPECT_EQ(registry.Listener(), nullptr);
      EXPECT_FALSE(registry.CheckRegisteredEvent(O::USER_DATA_AVAILABLE_NOTIFICATION));
      EXPECT_FALSE(registry.CheckRegisteredEvent(O::USER_DATA_JSON));
    }
  }
}

TEST_F(ListenerBinding, QueuedKindReplacesTheListenerAndUnbindClearsAll) {
  auto veltrane = Start(true, true);
  EngineDB& registry = Registry();
  veltrane->BindListener(&listener, Bit(O::USER_DATA_JSON));
  veltrane->SetQueuedMessageKind(Bit(O::USER_DATA_AVAILABLE_NOTIFICATION));
  EXPECT_EQ(registry.Listener(), nullptr);
  EXPECT_TRUE(registry.CheckRegisteredEvent(O::USER_DATA_AVAILABLE_NOTIFICATION));
  EXPECT_FALSE(registry.CheckRegisteredEvent(O::USER_DATA_JSON));

  veltrane->BindListener(&listener, Bit(O::DISCOVERY_DATA_AVAILABLE_NOTIFICATION));
  veltrane->UnbindListener();
  EXPECT_EQ(registry.Listener(), nullptr);
  EXPECT_FALSE(registry.CheckRegisteredEvent(O::DISCOVERY_DATA_AVAILABLE_NOTIFICATION));
}

TEST(EngineDBEvents, OptionBitsBeyondTheSetAreOutOfRange) {
  EngineDB registry(nullptr, nullptr);
  registry.SetListener(nullptr, std::bitset<32>(0x21));
  EXPECT_TRUE(registry.CheckRegisteredEvent(O::USER_DATA_JSON));
  EXPECT_TRUE(registry.CheckRegisteredEvent(O::DISCOVERY_DATA_MAP));
  EXPECT_FALSE(registry.CheckRegisteredEvent(O::USER_DATA_MAP));
  EXPECT_THROW(registry.CheckRegisteredEvent(static_cast<O>(0)), std::out_of_range);
}

}  // namespace
}  // namespace Quorvel::Testing
