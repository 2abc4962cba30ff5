#include "support/PassivePipeline.h"

#include "dissection/DDSSample.h"
#include "dissection/DissectedSample.h"
#include "engine/core/EngineConfig.h"
#include "passive/PassiveDataBatchProcessor.h"
#include "passive/PassiveEndpointDiscoveryProcessor.h"
#include "passive/PassiveEngineDB.h"
#include "passive/PassiveParticipantDiscoveryProcessor.h"
#include "passive/PassiveRTPSMessageProcessor.h"
#include "passive/PassiveUserDataProcessor.h"
#include "passive/QueueRoutingTargets.h"
#include "support/DiscoverySeed.h"
#include "support/FuzzEnvironment.h"

#include <quorvel/EngineConfiguration.h>

#include <boost/asio/thread_pool.hpp>

#include <chrono>
#include <thread>

namespace Quorvel::fuzz {

namespace {

constexpr std::chrono::microseconds kIdlePoll{20};
constexpr unsigned kInputsPerPipeline = 20000;

// What a listener bound for JSON and map output makes the engine render of each sample.
void Render(const std::shared_ptr<DissectedSample>& sample) {
  if (!sample) return;
  try {
    const Outputter& output = sample->Sample()->Output();
    volatile size_t sink = output.ToListenerJson().size() + output.MapPrint().size();
    (void)sink;
  } catch (const std::exception&) {
    // The engine logs and drops such a sample too (text that is not UTF-8 has no JSON).
  }
}

}  // namespace

std::shared_ptr<EngineConfig> RecordingsConfig() {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.threadPoolSize = 1;
  configuration.ddsConfigurationFilesPath = {TestData("types/rich/RichTypes.xml").string(),
                                             TestData("passive_e2e/fast_sample.xml").string(),
                                             TestData("passive/keyedseq.xml").string()};
  configuration.jsonOutput = true;
  configuration.mapOutput = true;
  auto config = std::make_shared<EngineConfig>();
  config->InitializeAndVerifyConfiguration(configuration);
  config->InitEngineDDSConfig();
  config->InitConstantTypeProcessors();
  return config;
}

PassivePipeline::PassivePipeline(std::shared_ptr<EngineConfig> config)
    : pool_(std::make_shared<boost::asio::thread_pool>(1)) {
  using namespace passive;
  const DissectedSampleCallback deliver = [](std::shared_ptr<DissectedSample> sample,
                                             DataProcessor*) { Render(sample); };
  registry_ = std::make_shared<PassiveEngineDB>(pool_, config, deliver);
  participants_ = std::make_shared<PassiveParticipantDiscoveryProcessor>(deliver, config, registry_);
  endpoints_ =
      std::make_shared<PassiveEndpointDiscoveryProcessor>(pool_, deliver, config, registry_);
  batches_ = std::make_unique<PassiveDataBatchProcessor>(config, registry_);
  participantQueue_ = std::make_shared<SubMessageQueue>(
      pool_, [&processor = *participants_] { processor.Operation(); });
  endpointQueue_ =
      std::make_shared<SubMessageQueue>(pool_, [&processor = *endpoints_] { processor.Operation(); });
  batchQueue_ =
      std::make_shared<BatchQueue>(pool_, [&processor = *batches_] { processor.Operation(); });
  const std::weak_ptr<PassiveEngineDB> registry = registry_;
  auto targets = std::make_shared<QueueRoutingTargets>(
      participantQueue_, endpointQueue_, batchQueue_,
      [registry](const WriterKey& writer) -> std::shared_ptr<QueueRoutingTargets::UserDataQueue> {
        const auto locked = registry.lock();
        const auto processor = locked ? locked->GetPassiveUserDataProcessor(writer) : nullptr;
        return processor ? processor->SharedQueue() : nullptr;
      });
  rtps_ = std::make_unique<PassiveRTPSMessageProcessor>(config->operationMode, std::move(targets));
  rtps_->SetCounters(std::shared_ptr<EngineCounters>(registry_, &registry_->Counters()));
  participants_->Init(participantQueue_);
  endpoints_->Init(endpointQueue_);
  batches_->Init(batchQueue_);
}

PassivePipeline::~PassivePipeline() {
  pool_->stop();
  pool_->join();
  registry_->Terminate();
}

void PassivePipeline::Process(const std::shared_ptr<const passive::RTPSMessage>& message) {
  rtps_->ProcessMessage(message);
  WaitUntilIdle();
}

// Upstream first: a queue found idle gets nothing new from the ones before it.
void PassivePipeline::WaitUntilIdle() const {
  for (;;) {
    if (participantQueue_->IsIdle() && endpointQueue_->IsIdle() && batchQueue_->IsIdle() &&
        registry_->IsIdle()) {
      return;
    }
    std::this_thread::sleep_for(kIdlePoll);
  }
}

PassivePipeline& SeededPipeline() {
  static const auto config = RecordingsConfig();
  static std::unique_ptr<PassivePipeline> pipeline;
  static unsigned inputs = 0;
  if (!pipeline || ++inputs % kInputsPerPipeline == 0) {
    pipeline.reset();
    pipeline = std::make_unique<PassivePipeline>(config);
    for (const auto& announcement : RecordedDiscovery()) pipeline->Process(announcement);
  }
  return *pipeline;
}

}  // namespace Quorvel::fuzz
