#pragma once

// The engine of the passive modes (PASSIVE_DYNAMIC_MONITORING, RECORD_DISSECTION, and
// TYPE_INTROSPECTION's type questions). Init assembles the pipeline: the main pool, the
// registry, the RTPS / participant-discovery / endpoint-discovery / DATA_BATCH queues with
// their processors; RunNICMonitoring and DissectRecordingFile add capture stages feeding it.
//
// Threads: the facade's caller thread runs Init, Run, DissectRecordingFile and Terminate; every
// capture stage (live interface or recording) has its own capture thread; the main pool runs
// every processor run. In RECORD_DISSECTION samples go through a DeliveryLane, so a recording
// reaches the listener one sample at a time, in the order the router met them
// (DeliverySequencer), however many pool threads dissect them; a live capture's samples go to
// the listener from the thread that dissected them. A PipelineGauge counts the
// messages in the pipeline; a recording's capture pauses above EngineConfig's
// maxPipelineMessages, a live capture drops. Terminate may come from another thread while
// DissectRecordingFile waits: the wait ends within a poll interval. The capture list has
// its own reader-writer lock; everything else is built in Init and released in Terminate,
// after the pools are joined, so no run outlives what it uses.

#include "engine/core/DDSEngine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

class DeliveryLane;
class PassiveEngineDB;
class PassiveEthernetPacketsProcessor;
class PipelineGauge;

class PassiveEngine : public DDSEngine {
 public:
  explicit PassiveEngine(std::shared_ptr<EngineConfig> config);
  ~PassiveEngine() override;

  void Init() override;
  // The facade runs it in PASSIVE_DYNAMIC_MONITORING only.
  void Run() override { RunNICMonitoring(); }
  // Starts live capture on the configured interface, on a thread of its own.
  void RunNICMonitoring();
  void Terminate() override;
  // True when every queue is empty, no run is executing and no sample waits for delivery.
  // Capture stages still reading are not considered.
  bool IsIdle() const;

  TypeInfo IntrospectType(const std::string& typeName) override;
  // With `wait`, returns once the file has been read to its end and every sample of it has
  // been delivered or dropped.
  void DissectRecordingFile(const std::string& path, bool wait) override;
  void AddWriterDiscoveryData(const std::string& writerGuid, const std::string& topicName,
                              const std::string& typeName) override;
  void AddWriterDiscoveryDataInternal(const std::string& writerGuid, const std::string& topicName,
                                      const std::string& typeName);
  std::vector<WriterInfo> DiscoveredWritersInfo() const override;
  EngineStatistics Statistics() const override;

  const std::shared_ptr<PassiveEngineDB>& Registry() const { return passiveDB; }
  // The most messages that waited in the pipeline at once since Init.
  uint64_t PipelinePeak() const;

 private:
  struct Pipeline;

  // The registry's delivery callback: straight to HandleDissectedSample, or through the
  // delivery lane of a recording.
  void DeliverSample(std::shared_ptr<DissectedSample> sample, DataProcessor* processor);
  void HandleSafely(const std::shared_ptr<DissectedSample>& sample, DataProcessor* processor);
  std::shared_ptr<EngineCounters> Counters() const;
  void AddCaptureStage(std::shared_ptr<PassiveEthernetPacketsProcessor> stage);
  void StopCaptureStages();
  // True while a live capture or another recording may still bring fragments.
  bool AnyCaptureStageReading() const;
  void JoinPools();

  std::shared_ptr<boost::asio::thread_pool> mainPool;
  // A recording's only; samples on it are counted on the gauge until the listener had them.
  std::shared_ptr<DeliveryLane> deliveryLane;
  std::shared_ptr<PassiveEngineDB> passiveDB;
  std::shared_ptr<PipelineGauge> gauge;
  std::unique_ptr<Pipeline> pipeline;
  mutable std::shared_mutex captureStagesMutex;
  std::vector<std::shared_ptr<PassiveEthernetPacketsProcessor>> captureStages;
  std::atomic<bool> terminating{false};
  std::atomic<int> recordingWaits{0};
};

}  // namespace Quorvel::passive
