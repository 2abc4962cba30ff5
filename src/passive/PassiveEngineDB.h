#pragma once

// The passive engine's registry: the delivery machinery of EngineDB, the main thread pool the
// pipeline posts its runs on, the participant and endpoint records that discovery learnt and
// the per-type user-data processors.
//
// Threads: discovery runs insert and replace records and processors while RTPS and batch runs
// look writers up, all on pool threads. The records have their own reader-writer lock
// (DiscoveryRecordStore); the processor map has one of its own, held only for the map
// operation. Records and processors are never aged out.

#include "engine/core/EngineDB.h"
#include "passive/DiscoveryRecordStore.h"
#include "passive/RetiredElements.h"

#include <map>
#include <memory>
#include <shared_mutex>
#include <string>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel::passive {

class DeliverySequencer;
class PipelineGauge;
class PassiveUserDataProcessor;
struct RTPSUserDataMessage;

// The Insert / Is...Exists / Get / Remove operations of the discovery records are those of
// DiscoveryRecordStore.
class PassiveEngineDB : public EngineDB, public DiscoveryRecordStore {
 public:
  PassiveEngineDB(std::shared_ptr<boost::asio::thread_pool> pool,
                  std::shared_ptr<EngineConfig> config, DissectedSampleCallback callback);
  ~PassiveEngineDB() override;

  // Keeps the processor already registered for the type (logged); false then.
  bool InsertPassiveUserDataProcessor(std::shared_ptr<PassiveUserDataProcessor> processor);
  bool IsPassiveUserDataProcessorExists(const std::string& typeName) const;
  bool RemovePassiveUserDataProcessor(const std::string& typeName);
  // The processor of the type the writer's endpoint record names, or null.
  std::shared_ptr<PassiveUserDataProcessor> GetPassiveUserDataProcessor(
      const WriterKey& writer) const;
  // Each processor's type name and queue length, in type-name order.
  std::map<std::string, size_t> UserDataQueueSizes() const;

  // Terminates the user-data processors and clears every map.
  void Terminate();
  // True when no user-data processor has a message queued or in work. The caller's output
  // queue is not considered: a caller that drains it on the thread waiting for a recording
  // would otherwise wait forever.
  bool IsIdle() const;

  const std::shared_ptr<boost::asio::thread_pool>& Pool() const { return pool; }

  // How the user-data queues are built: the gauge of the pipeline (may be null), how many
  // pool threads may dissect one type at once, and the delivery order of a recording (null
  // outside RECORD_DISSECTION). Set once, before any capture starts.
  // A recording's samples are routed by its capture thread alone, which also frees them:
  // `retired` is where the user-data queues hand them back (null outside RECORD_DISSECTION).
  void SetPipeline(std::shared_ptr<PipelineGauge> gauge, size_t userDataRuns,
                   std::shared_ptr<DeliverySequencer> sequencer,
                   std::shared_ptr<RetiredElements<RTPSUserDataMessage>> retired) {
    pipelineGauge = std::move(gauge);
    userDataRunLimit = userDataRuns;
    deliverySequencer = std::move(sequencer);
    retiredUserData = std::move(retired);
  }
  const std::shared_ptr<PipelineGauge>& Gauge() const { return pipelineGauge; }
  size_t UserDataRuns() const { return userDataRunLimit; }
  const std::shared_ptr<DeliverySequencer>& Sequencer() const { return deliverySequencer; }
  const std::shared_ptr<RetiredElements<RTPSUserDataMessage>>& RetiredUserData() const {
    return retiredUserData;
  }

 private:
  std::shared_ptr<boost::asio::thread_pool> pool;
  std::shared_ptr<PipelineGauge> pipelineGauge;
  size_t userDataRunLimit = 1;
  std::shared_ptr<DeliverySequencer> deliverySequencer;
  std::shared_ptr<RetiredElements<RTPSUserDataMessage>> retiredUserData;
  mutable std::shared_mutex processorsMutex;
  std::map<std::string, std::shared_ptr<PassiveUserDataProcessor>> processors;
};

}  // namespace Quorvel::passive
