#pragma once

// The passive engine's pipeline assembled from its own classes, as the engine assembles it in
// RECORD_DISSECTION (serialized RTPS stage, discovery and batch queues, per-type user-data
// processors on a pool), with a delivery that renders every sample's JSON and map as a bound
// listener would get them. Process returns once every queue is idle, so what an input starts
// ends with it.

#include <memory>
#include <vector>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel {
class EngineConfig;
}

namespace Quorvel::passive {
class PassiveEngineDB;
class PassiveRTPSMessageProcessor;
class PassiveParticipantDiscoveryProcessor;
class PassiveEndpointDiscoveryProcessor;
class PassiveDataBatchProcessor;
template <typename T>
class MessageQueueManager;
struct RTPSMessage;
struct RTPSDataSubMessage;
struct RTPSDataBatchSubMessage;
}  // namespace Quorvel::passive

namespace Quorvel::fuzz {

// The engine configuration of the recordings under tests/data: RECORD_DISSECTION, JSON and
// map output, the type files of the Rich, FastSample and KeyedSeq types loaded.
std::shared_ptr<EngineConfig> RecordingsConfig();

class PassivePipeline {
 public:
  explicit PassivePipeline(std::shared_ptr<EngineConfig> config);
  ~PassivePipeline();
  PassivePipeline(const PassivePipeline&) = delete;
  PassivePipeline& operator=(const PassivePipeline&) = delete;

  // Routes the message as the RTPS stage's run would, then waits until everything it caused
  // has been processed and delivered.
  void Process(const std::shared_ptr<const passive::RTPSMessage>& message);

 private:
  using SubMessageQueue = passive::MessageQueueManager<passive::RTPSDataSubMessage>;
  using BatchQueue = passive::MessageQueueManager<passive::RTPSDataBatchSubMessage>;

  void WaitUntilIdle() const;

  std::shared_ptr<boost::asio::thread_pool> pool_;
  std::shared_ptr<passive::PassiveEngineDB> registry_;
  std::shared_ptr<passive::PassiveParticipantDiscoveryProcessor> participants_;
  std::shared_ptr<passive::PassiveEndpointDiscoveryProcessor> endpoints_;
  std::unique_ptr<passive::PassiveDataBatchProcessor> batches_;
  std::shared_ptr<SubMessageQueue> participantQueue_;
  std::shared_ptr<SubMessageQueue> endpointQueue_;
  std::shared_ptr<BatchQueue> batchQueue_;
  std::unique_ptr<passive::PassiveRTPSMessageProcessor> rtps_;
};

// The pipeline the fuzz inputs go through: built on first use and fed the recordings'
// discovery; built and fed again every `kInputsPerPipeline` inputs, so that what the inputs'
// own announcements add to the registry stays bounded. Building it per input would cost the
// announcements' type flattening every time (a few executions a second).
PassivePipeline& SeededPipeline();

}  // namespace Quorvel::fuzz
