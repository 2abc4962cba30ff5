// The PassiveEngine of RECORD_DISSECTION and TYPE_INTROSPECTION: built by the factory, its
// registry delivers through HandleDissectedSample, and the facade's delivery operations work on
// it from Init to Shutdown.

#include "engine/support/DeliveryFixture.h"
#include "engine/support/LogDirectory.h"
#include "engine/support/Thrown.h"

#include "dissection/DDSSample.h"
#include "engine/EngineFactory.h"
#include "engine/core/EngineDB.h"
#include "passive/PassiveEngine.h"
#include "passive/PassiveEngineDB.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace Quorvel::Testing {
namespace {

using O = EngineListenerEventsOptions;

const std::vector<std::string> kTypes = {VELTRANE_TEST_DATA_DIR "/types/system.xml"};

TEST(PassiveEngine, FactoryBuildsItForLiveCaptureRecordingsAndIntrospection) {
  LogDirectory log{LogSeverityLevel::WARNING};
  for (EngineOperationMode mode :
       {EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, EngineOperationMode::RECORD_DISSECTION,
        EngineOperationMode::TYPE_INTROSPECTION}) {
    auto config = OutputConfig(true, false);
    auto engine = EngineFactory::Instance().CreateEngine(mode, config);
    EXPECT_NE(dynamic_cast<passive::PassiveEngine*>(engine.get()), nullptr);
  }
}

TEST(PassiveEngine, RegistryDeliversThroughTheEngine) {
  LogDirectory log{LogSeverityLevel::WARNING};
  auto config = OutputConfig(false, true);
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.mapOutput = true;
  configuration.threadPoolSize = 3;
  configuration.ddsConfigurationFilesPath = kTypes;
  config->InitializeAndVerifyConfiguration(configuration);
  passive::PassiveEngine engine(config);
  engine.Init();
  ASSERT_NE(engine.Registry(), nullptr);
  EXPECT_NE(config->sampleInfoTypeProcessor, nullptr);
  EXPECT_TRUE(engine.IsIdle());

  engine.BindListener(nullptr, static_cast<std::uint32_t>(O::USER_DATA_AVAILABLE_NOTIFICATION));
  TrackProcessor processor(config, engine.Registry()->SampleCallback());
  processor.Dissect(41, DissectedSampleDataType::USER_DATA);
  processor.Dissect(42, DissectedSampleDataType::USER_DATA);
  // A recording's samples are handed over on the engine's one delivery thread.
  while (!engine.IsIdle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::vector<std::int32_t> drained;
  while (auto sample = engine.NextDissectedSample()) {
    drained.push_back(std::stoi(sample->Sample()->Output().MapPrint().at("SampleData.id")));
  }
  EXPECT_EQ(drained, (std::vector<std::int32_t>{41, 42}));
  engine.Terminate();
}

TEST(PassiveEngine, FacadeDeliveryOperationsOnARecordingEngine) {
  LogDirectory log{LogSeverityLevel::INFO};
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.mapOutput = true;
  configuration.ddsConfigurationFilesPath = kTypes;
  Veltrane veltrane;
  veltrane.Init(configuration);
  EXPECT_EQ(Thrown<std::runtime_error>([&] { veltrane.GetNextDissectedSample(); }),
            "Engine is not initialized / running");
  EXPECT_EQ(Thrown<std::runtime_error>(
                [&] { veltrane.BindListener(nullptr, static_cast<unsigned long>(O::USER_DATA_JSON)); }),
            "Veltrane::BindListener Fatal Error: Cannot register to JSON based events without "
            "enabling the engine JSON output");
  veltrane.SetQueuedMessageKind(static_cast<unsigned long>(O::USER_DATA_AVAILABLE_NOTIFICATION));
  veltrane.Run();
  const auto handle = veltrane.GetNextDissectedSample();
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(handle->IsNull());
  veltrane.UnbindListener();
  veltrane.Shutdown();
  EXPECT_TRUE(log.Contains("info", "Veltrane successfully shut down"));
}

}  // namespace
}  // namespace Quorvel::Testing
