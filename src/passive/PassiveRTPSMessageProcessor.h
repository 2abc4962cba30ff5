#pragma once

// Consumer of the RTPS message queue: one run per captured RTPS message. It checks the message
// header, walks the sub-messages (each cut to its octetsToNextHeader and checked against the
// end of the message before anything reads it) and dispatches them through a table by id:
// INFO_TS sets the source time of the sub-messages after it, DATA goes to discovery or to the
// user-data processor of its writer, DATA_FRAG the same way once its fragments are joined,
// DATA_BATCH / DATA_SESSION to the batch queue, the rest is skipped with a debug line. Runs
// execute concurrently on the pool; a run keeps its state on its own stack, so the processor is
// shared read-only between them, except for the fragment reassembler, which locks itself.

#include "passive/MessageQueueManager.h"
#include "passive/RTPSMessage.h"

#include <quorvel/EngineOperationMode.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>

namespace Quorvel {
class EngineCounters;
enum class DropReason : std::uint8_t;
}

namespace Quorvel::passive {

class DataFragReassembler;
class DeliverySequencer;
class RTPSRoutingTargets;
struct RTPSDataSubMessage;
class WireReader;
struct RTPSMessageHeader;
struct UserDataRoute;

class PassiveRTPSMessageProcessor {
 public:
  using RTPSMessageQueue = MessageQueueManager<RTPSMessage>;

  // In RECORD_DISSECTION, user data waits for pending participant and endpoint discovery
  // (bounded).
  PassiveRTPSMessageProcessor(EngineOperationMode mode,
                              std::shared_ptr<RTPSRoutingTargets> targets);
  ~PassiveRTPSMessageProcessor();

  void Init(std::weak_ptr<RTPSMessageQueue> rtpsQueue);
  // One run: pops one message and processes it.
  void Operation();
  // Parses one message and routes its sub-messages. Never throws: a malformed sub-message is
  // dropped with a warning and the walk goes on where its length says the next one starts.
  void ProcessMessage(const std::shared_ptr<const RTPSMessage>& message);

  // The joining of DATA_FRAG fragments: its limits and drop counter are set through it.
  DataFragReassembler& Fragments() { return *fragments_; }

  // Where messages parsed, sub-messages seen and samples dropped are counted (also for the
  // DATA_FRAG reassembly); nothing is counted without it.
  void SetCounters(std::shared_ptr<EngineCounters> counters);

  // In a recording, every user sample routed gets its ticket in the delivery order here.
  void SetDeliverySequencer(std::shared_ptr<DeliverySequencer> sequencer) {
    sequencer_ = std::move(sequencer);
  }

  // How long user data of a recording may wait for discovery to drain.
  void SetDiscoveryWaitLimit(std::chrono::milliseconds limit) { discoveryWaitLimit_ = limit; }

 private:
  struct SubMessage;
  using Handler = void (PassiveRTPSMessageProcessor::*)(SubMessage&);

  template <typename Record>
  static std::shared_ptr<Record> MakeRecord(const SubMessage& subMessage);
  void ParseMessage(const std::shared_ptr<const RTPSMessage>& message);
  void Dispatch(SubMessage& subMessage);
  void HandleInfoTimestamp(SubMessage& subMessage);
  void HandleData(SubMessage& subMessage);
  void HandleDataFrag(SubMessage& subMessage);
  // Discovery DATA to its queue, user DATA to its writer's processor; DATA_FRAG shares it.
  void RouteData(std::shared_ptr<RTPSDataSubMessage> data, UserDataRoute& route);
  void HandleDataBatch(SubMessage& subMessage);
  void HandleIgnored(SubMessage& subMessage);
  void WaitForDiscovery();
  void Drop(DropReason reason, uint64_t count = 1);

  static const std::array<Handler, 256>& DispatchTable();

  std::shared_ptr<RTPSRoutingTargets> targets_;
  std::weak_ptr<RTPSMessageQueue> rtpsQueue_;
  bool waitForDiscovery_ = false;
  std::unique_ptr<DataFragReassembler> fragments_;
  std::shared_ptr<EngineCounters> counters_;
  std::shared_ptr<DeliverySequencer> sequencer_;
  std::chrono::milliseconds discoveryWaitLimit_{std::chrono::seconds(10)};
};

}  // namespace Quorvel::passive
