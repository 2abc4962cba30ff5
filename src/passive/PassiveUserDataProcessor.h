#pragma once

// Dissects the captured samples of one data type: one processor per type that a writer of a
// known type announced, serving every writer of that type. It owns the queue that the RTPS and
// batch processors feed (through the registry's writer look-up); every enqueue posts one run
// of Operation to the engine's pool, so samples of one type may be dissected on several pool
// threads at once (as many as the registry's UserDataRuns). A run keeps its sample on its own
// stack, decoded into one of a few spare samples it borrows; the type and columns are only
// read. In a recording, the finished sample goes through the registry's DeliverySequencer,
// which restores the order in which samples were routed.

#include "common/SpareObjects.h"
#include "dissection/DataProcessor.h"
#include "middleware/xtypes/DynamicData.h"
#include "passive/MessageQueueManager.h"
#include "passive/RTPSUserDataMessage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel {
class MetadataTexts;
enum class DropReason : std::uint8_t;
}

namespace Quorvel::passive {

class PassiveEngineDB;

class PassiveUserDataProcessor : public DataProcessor {
 public:
  using UserDataQueue = MessageQueueManager<RTPSUserDataMessage>;

  PassiveUserDataProcessor(const std::string& typeName, xtypes::DynamicTypePtr type,
                           std::shared_ptr<boost::asio::thread_pool> pool, SampleHandler handler,
                           std::shared_ptr<const EngineConfig> config,
                           std::shared_ptr<PassiveEngineDB> engineDB);
  ~PassiveUserDataProcessor() override;

  void CreateBenchmarkLogger() override {}
  // One run: pops the samples waiting, up to kSamplesPerRun, and dissects them in order.
  void Operation() override;
  // Nothing of its own: the queue empties as runs complete.
  void Terminate() override {}

  UserDataQueue& Queue() { return *queue; }
  const UserDataQueue& Queue() const { return *queue; }
  const std::shared_ptr<UserDataQueue>& SharedQueue() const { return queue; }

 private:
  // Neighbouring samples mostly share their datagram: taken together, the pool threads work
  // on different datagrams instead of handing every shared object back and forth.
  static constexpr size_t kSamplesPerRun = 32;

  // The topic and domain of the writer a run's previous sample came from: a run's samples
  // mostly share their writer, and each look-up takes the registry's locks, which the router
  // takes too. Kept only once both are known (the participant may be announced later).
  struct WriterFacts {
    std::optional<WriterKey> writer;
    std::string topicName;
    std::optional<int64_t> domainId;
  };

  // Dissects one sample and hands it on (through the sequencer in a recording).
  void Dissect(const RTPSUserDataMessage& message, WriterFacts& facts);
  // The dissected sample, or null when it was dropped (counted).
  std::shared_ptr<DissectedSample> Process(const RTPSUserDataMessage& message, WriterFacts& facts);
  void LookUpWriter(const WriterKey& writer, WriterFacts& facts) const;
  void Drop(DropReason reason);

  std::shared_ptr<PassiveEngineDB> passiveDB;
  std::shared_ptr<UserDataQueue> queue;
  const std::shared_ptr<MetadataTexts> metadataTexts;
  // Decoded samples keep their sequences' and strings' memory from one sample to the next.
  SpareObjects<xtypes::DynamicData> decodedSamples{8};
};

}  // namespace Quorvel::passive
