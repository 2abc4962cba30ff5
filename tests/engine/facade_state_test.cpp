// The facade's state table: which call is allowed in which state, and the exact texts of the
// refusals, both thrown and logged.

#include "engine/support/LogDirectory.h"
#include "engine/support/TestEngine.h"
#include "engine/support/Thrown.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace Quorvel::Testing {
namespace {

EngineConfiguration ConfigFor(EngineOperationMode mode) {
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.jsonOutput = true;
  return configuration;
}

class FacadeState : public ::testing::Test {
 protected:
  LogDirectory log;
  ScopedTestEngines engines;
};

TEST_F(FacadeState, FreshObjectReportsDynamicMonitoringAndVersionNeedsNoEngine) {
  Veltrane veltrane;
  EXPECT_EQ(veltrane.OperationMode(), EngineOperationMode::ACTIVE_DYNAMIC_MONITORING);
  EXPECT_EQ(Veltrane::Version(), "4.6.1.5");
}

TEST_F(FacadeState, InitRunShutdownWalksTheStates) {
  Veltrane veltrane;
  veltrane.Init(ConfigFor(EngineOperationMode::ACTIVE_STATIC_MONITORING));
  EXPECT_EQ(veltrane.OperationMode(), EngineOperationMode::ACTIVE_STATIC_MONITORING);
  EXPECT_EQ(engines.Script().inits, 1);
  EXPECT_TRUE(log.Contains(
      "info", "Successfully initialized Quorvel-Veltrane in ACTIVE_STATIC_MONITORING operation mode"));

  veltrane.Run();
  veltrane.Run();  // the second one is quiet
  EXPECT_EQ(engines.Script().runs, 1);
  EXPECT_TRUE(log.Contains("debug", "Engine is already running"));

  veltrane.Shutdown();
  EXPECT_EQ(engines.Script().terminates, 1);
  EXPECT_EQ(engines.Script().destroyed, 1);
  EXPECT_TRUE(log.Contains("info", "Veltrane successfully shut down"));
  EXPECT_TRUE(log.Contains("debug", "Shutting down engine house keeping thread"));

  veltrane.Shutdown();  // nothing more happens
  EXPECT_EQ(engines.Script().terminates, 1);
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Run(); }), "Engine is not initialized");
}

TEST_F(FacadeState, InitTwiceIsRefused) {
  Veltrane veltrane;
  veltrane.Init(ConfigFor(EngineOperationMode::ACTIVE_DYNAMIC_MONITORING));
  EXPECT_EQ(Thrown<std::runtime_error>(
                [&] { veltrane.Init(ConfigFor(EngineOperationMode::ACTIVE_DYNAMIC_MONITORING)); }),
            "Veltrane Already Initialized");
  EXPECT_TRUE(log.Contains("error", "Veltrane Already Initialized"));
  EXPECT_EQ(engines.Script().inits, 1);
}

TEST_F(FacadeState, FailedValidationLeavesConstructedAndACorrectedInitSucceeds) {
  Veltrane veltrane;
  EngineConfiguration bad = ConfigFor(EngineOperationMode::ACTIVE_STATIC_MONITORING);
  bad.threadPoolSize = 0;
  const std::string expected =
      "Error initializing and verifing engine configuration. engineConfiguration.threadPoolSize "
      "is not in range [1,INT32_MAX] - 0";
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Init(bad); }), expected);
  EXPECT_TRUE(log.Contains("error", expected));
  EXPECT_EQ(engines.Script().inits, 0);
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Run(); }), "Engine is not initialized");
  EXPECT_TRUE(log.Contains("error", "Engine is not initialized"));

  veltrane.Init(ConfigFor(EngineOperationMode::ACTIVE_STATIC_MONITORING));
  veltrane.Run();
  EXPECT_EQ(engines.Script().runs, 1);
}

TEST_F(FacadeState, EngineInitFailureIsFatalWithTheEngineClassPrefix) {
  struct Case {
    EngineOperationMode mode;
    std::string prefix;
  };
  const Case cases[] = {
      {EngineOperationMode::ACTIVE_STATIC_MONITORING, "ActiveEngine::Init Fatal Error: "},
      {EngineOperationMode::ACTIVE_DYNAMIC_MONITORING, "ActiveEngine::Init Fatal Error: "},
      {EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, "PassiveEngine::Init Fatal Error: "},
      {EngineOperationMode::RECORD_DISSECTION, "PassiveEngine::Init Fatal Error: "},
      {EngineOperationMode::MESSAGE_INJECTION, "ActiveEngine::Init Fatal Error: "},
      {EngineOperationMode::TYPE_INTROSPECTION, "PassiveEngine::Init Fatal Error: "},
  };
  engines.Script().initError = "participant file missing";
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    Veltrane veltrane;
    EngineConfiguration configuration = ConfigFor(c.mode);
    if (c.mode == EngineOperationMode::PASSIVE_DYNAMIC_MONITORING) {
      configuration.monitoredInterfaceName = "lo";
    }
    const std::string expected = c.prefix + "participant file missing";
    EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Init(configuration); }), expected);
    EXPECT_TRUE(log.Contains("fatal", expected));
    // Still Constructed: Run is refused, Shutdown does nothing.
    EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Run(); }), "Engine is not initialized");
    veltrane.Shutdown();
  }
  EXPECT_EQ(engines.Script().terminates, 0);
}

TEST_F(FacadeState, RunStartsEngineWorkersOnlyWhereTheModeHasThem) {
  struct Case {
    EngineOperationMode mode;
    int runs;
  };
  const Case cases[] = {
      {EngineOperationMode::ACTIVE_STATIC_MONITORING, 1},
      {EngineOperationMode::ACTIVE_DYNAMIC_MONITORING, 1},
      {EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, 1},
      {EngineOperationMode::RECORD_DISSECTION, 0},
      {EngineOperationMode::MESSAGE_INJECTION, 1},
      {EngineOperationMode::TYPE_INTROSPECTION, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    const int before = engines.Script().runs;
    Veltrane veltrane;
    EngineConfiguration configuration = ConfigFor(c.mode);
    configuration.monitoredInterfaceName = "lo";
    veltrane.Init(configuration);
    veltrane.Run();
    EXPECT_EQ(engines.Script().runs - before, c.runs);
    // Running either way: the queue answers instead of refusing.
    EXPECT_TRUE(veltrane.GetNextDissectedSample()->IsNull());
  }
}

TEST_F(FacadeState, RunFailureIsFatalAndLeavesInitialized) {
  engines.Script().runError = "wait set refused";
  Veltrane veltrane;
  veltrane.Init(ConfigFor(EngineOperationMode::ACTIVE_DYNAMIC_MONITORING));
  const std::string expected = "ActiveEngine::Run Fatal Error: wait set refused";
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Run(); }), expected);
  EXPECT_TRUE(log.Contains("fatal", expected));
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.GetNextDissectedSample(); }),
            "Engine is not initialized / running");

  engines.Script().runError.clear();
  veltrane.Run();
  EXPECT_TRUE(veltrane.GetNextDissectedSample()->IsNull());
}

TEST_F(FacadeState, ShutdownErrorIsReportedAndTheDestructorSwallowsIt) {
  engines.Script().terminateError = "capture thread stuck";
  {
    Veltrane veltrane;
    veltrane.Init(ConfigFor(EngineOperationMode::RECORD_DISSECTION));
    veltrane.Run();
    const std::string expected = "Veltrane::Shutdown Error: capture thread stuck";
    EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.Shutdown(); }), expected);
    EXPECT_TRUE(log.Contains("error", expected));
  }
  EXPECT_TRUE(log.Contains("debug", ":~Veltrane Exception"));
  engines.Script().terminateError.clear();
}

TEST_F(FacadeState, ShutdownWithoutInitDoesNothingAndAnObjectCannotBeReused) {
  Veltrane veltrane;
  veltrane.Shutdown();
  EXPECT_TRUE(log.Contains("debug", "Shutdown"));
  veltrane.Init(ConfigFor(EngineOperationMode::TYPE_INTROSPECTION));
  veltrane.Shutdown();
  EXPECT_EQ(Thrown<std::runtime_error>(
                [&] { veltrane.Init(ConfigFor(EngineOperationMode::TYPE_INTROSPECTION)); }),
            "Veltrane was shut down and cannot be initialized again");
}

TEST_F(FacadeState, MovedObjectCarriesTheEngine) {
  Veltrane first;
  first.Init(ConfigFor(EngineOperationMode::RECORD_DISSECTION));
  Veltrane second(std::move(first));
  second.Run();
  EXPECT_EQ(second.OperationMode(), EngineOperationMode::RECORD_DISSECTION);
  EXPECT_EQ(Thrown<std::runtime_error>([&] { first.Run(); }), "Engine is not initialized");
  first.Shutdown();  // an empty shell has nothing to shut down
  EXPECT_EQ(engines.Script().terminates, 0);
}

TEST_F(FacadeState, FactoryRefusesToResetWhileAnEngineLives) {
  Veltrane veltrane;
  veltrane.Init(ConfigFor(EngineOperationMode::RECORD_DISSECTION));
  const std::string expected =
      "Detected active engines. Need to close all engines before resetting the factory";
  EXPECT_EQ(Thrown<std::runtime_error>([] { Veltrane::FinalizeFactory(); }), expected);
  EXPECT_TRUE(log.Contains("error", "error in FinalizeFactory : " + expected));
  veltrane.Shutdown();
  Veltrane::FinalizeFactory();
}

}  // namespace
}  // namespace Quorvel::Testing
