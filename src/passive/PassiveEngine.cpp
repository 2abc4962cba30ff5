#include "passive/PassiveEngine.h"

#include "common/Log.h"
#include "engine/core/EngineConfig.h"
#include "engine/core/TypeDescriber.h"
#include "passive/DataFragReassembler.h"
#include "passive/DeliveryLane.h"
#include "passive/DeliverySequencer.h"
#include "passive/HexText.h"
#include "passive/PassiveDataBatchProcessor.h"
#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveEndpointDiscoveryProcessor.h"
#include "passive/PassiveEngineDB.h"
#include "passive/PassiveEthernetPacketsProcessor.h"
#include "passive/PassiveParticipantDiscoveryProcessor.h"
#include "passive/PassiveRTPSMessageProcessor.h"
#include "passive/PassiveUserDataProcessor.h"
#include "passive/PipelineGauge.h"
#include "passive/QueueRoutingTargets.h"
#include "passive/RTPSSubMessageKind.h"

#include <boost/asio/thread_pool.hpp>

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace Quorvel::passive {

namespace {

constexpr std::chrono::milliseconds kIdlePollInterval{2};
constexpr std::string_view kSubMessagePrefix = "SUBMESSAGE_";

bool IsRecordingExtension(const std::filesystem::path& path) {
  const std::string extension = path.extension().string();
  return extension == ".pcap" || extension == ".pcapng";
}

void CheckRecordingPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path file(path);
  if (!std::filesystem::exists(file, error)) throw std::runtime_error(path + " doesn't exist.");
  if (!std::filesystem::is_regular_file(file, error)) {
    throw std::runtime_error(path + " is not a file.");
  }
  if (!IsRecordingExtension(file)) throw std::runtime_error(path + " is not a pcap file.");
}

// Statistics name sub-messages without the prefix the log's names carry.
std::string SubMessageName(uint8_t id) {
  std::string name = RTPSSubMessageTypeToName(id);
  if (name.rfind(kSubMessagePrefix, 0) == 0) name.erase(0, kSubMessagePrefix.size());
  return name;
}

// Counts a caller's thread as waiting for its recording while it is in scope.
struct WaitScope {
  explicit WaitScope(std::atomic<int>& waits) : waits(waits) { waits.fetch_add(1); }
  ~WaitScope() { waits.fetch_sub(1); }
  std::atomic<int>& waits;
};

}  // namespace

// The queues and processors of the running pipeline. The queues' consumers call the
// processors by reference: both live here until Terminate has joined the pool.
struct PassiveEngine::Pipeline {
  using RTPSQueue = MessageQueueManager<RTPSMessage>;
  using SubMessageQueue = MessageQueueManager<RTPSDataSubMessage>;
  using BatchQueue = MessageQueueManager<RTPSDataBatchSubMessage>;

  std::unique_ptr<PassiveRTPSMessageProcessor> rtpsProcessor;
  std::unique_ptr<PassiveDataBatchProcessor> batchProcessor;
  std::shared_ptr<PassiveParticipantDiscoveryProcessor> participantProcessor;
  std::shared_ptr<PassiveEndpointDiscoveryProcessor> endpointProcessor;
  std::shared_ptr<RTPSQueue> rtpsQueue;
  std::shared_ptr<SubMessageQueue> participantQueue;
  std::shared_ptr<SubMessageQueue> endpointQueue;
  std::shared_ptr<BatchQueue> batchQueue;

  // Upstream first: once a queue is idle, nothing new enters the ones after it from there.
  bool IsIdle() const {
    return rtpsQueue->IsIdle() && batchQueue->IsIdle() && participantQueue->IsIdle() &&
           endpointQueue->IsIdle();
  }
};

PassiveEngine::PassiveEngine(std::shared_ptr<EngineConfig> config) : DDSEngine(std::move(config)) {
  LogDebug("PassiveEngine");
}

PassiveEngine::~PassiveEngine() {
  LogDebug("~PassiveEngine");
  // Terminate normally ran; a failed Init leaves pools that must not outlive the engine.
  StopCaptureStages();
  JoinPools();
}

void PassiveEngine::Init() {
  LogDebug("Init");
  DDSEngine::Init();
  const bool recording = config->operationMode == EngineOperationMode::RECORD_DISSECTION;
  const size_t threads = config->threadPoolSize;
  mainPool = std::make_shared<boost::asio::thread_pool>(threads);
  gauge = std::make_shared<PipelineGauge>(config->maxPipelineMessages);
  if (recording) {
    deliveryLane = std::make_shared<DeliveryLane>(
        [this](const std::shared_ptr<DissectedSample>& sample, DataProcessor* processor) {
          HandleSafely(sample, processor);
          gauge->Remove();
        });
  }
  const DissectedSampleCallback deliver = [this](std::shared_ptr<DissectedSample> sample,
                                                 DataProcessor* processor) {
    DeliverSample(std::move(sample), processor);
  };
  passiveDB = std::make_shared<PassiveEngineDB>(mainPool, config, deliver);
  db = passiveDB;
  // A recording's samples are dissected on every pool thread and put back in the order the
  // router met them before they enter the delivery lane.
  std::shared_ptr<DeliverySequencer> sequencer;
  if (recording) {
    sequencer = std::make_shared<DeliverySequencer>(
        [lane = deliveryLane.get()](std::shared_ptr<DissectedSample> sample,
                                    DataProcessor* processor) {
          lane->Push(std::move(sample), processor);
        },
        gauge, [lane = deliveryLane.get()] { lane->Drain(); });
  }
  // A recording dissects each type's samples on one pool thread at a time: on two cores, with
  // the capture thread beside it, a second thread taking neighbouring samples of one type cost
  // more in allocator and cache contention than it added (about 250,000 against 400,000
  // samples/s). Live traffic still spreads a type over the pool.
  passiveDB->SetPipeline(
      gauge, recording ? 1 : threads, sequencer,
      recording ? std::make_shared<RetiredElements<RTPSUserDataMessage>>() : nullptr);

  auto built = std::make_unique<Pipeline>();
  Pipeline& p = *built;
  p.participantProcessor =
      std::make_shared<PassiveParticipantDiscoveryProcessor>(deliver, config, passiveDB);
  p.endpointProcessor =
      std::make_shared<PassiveEndpointDiscoveryProcessor>(mainPool, deliver, config, passiveDB);
  p.batchProcessor = std::make_unique<PassiveDataBatchProcessor>(config, passiveDB);
  // Announcements and batches are handled one at a time, in the order they were routed.
  p.participantQueue = std::make_shared<Pipeline::SubMessageQueue>(
      mainPool, [&processor = *p.participantProcessor] { processor.Operation(); }, 1, gauge);
  p.endpointQueue = std::make_shared<Pipeline::SubMessageQueue>(
      mainPool, [&processor = *p.endpointProcessor] { processor.Operation(); }, 1, gauge);
  p.batchQueue = std::make_shared<Pipeline::BatchQueue>(
      mainPool, [&processor = *p.batchProcessor] { processor.Operation(); }, 1, gauge);

  const std::weak_ptr<PassiveEngineDB> registry = passiveDB;
  auto targets = std::make_shared<QueueRoutingTargets>(
      p.participantQueue, p.endpointQueue, p.batchQueue,
      [registry](const WriterKey& writer) -> std::shared_ptr<QueueRoutingTargets::UserDataQueue> {
        const auto locked = registry.lock();
        const auto processor = locked ? locked->GetPassiveUserDataProcessor(writer) : nullptr;
        return processor ? processor->SharedQueue() : nullptr;
      });
  p.rtpsProcessor =
      std::make_unique<PassiveRTPSMessageProcessor>(config->operationMode, std::move(targets));
  // A recording's messages are routed in file order, so an announcement is never overtaken by
  // the samples that follow it in the file, nor acted on before the samples that precede it:
  // they are parsed on the capture thread, which has the datagram in its cache and is
  // otherwise idle while the pool dissects. Live traffic is parsed on every pool thread.
  p.rtpsQueue = std::make_shared<Pipeline::RTPSQueue>(
      mainPool, [&processor = *p.rtpsProcessor] { processor.Operation(); },
      recording ? Pipeline::RTPSQueue::kOnEnqueuingThread : threads, gauge);

  p.rtpsProcessor->Init(p.rtpsQueue);
  p.rtpsProcessor->SetCounters(Counters());
  p.rtpsProcessor->SetDeliverySequencer(sequencer);
  p.participantProcessor->Init(p.participantQueue);
  p.endpointProcessor->Init(p.endpointQueue);
  p.batchProcessor->Init(p.batchQueue);
  pipeline = std::move(built);
}

void PassiveEngine::RunNICMonitoring() {
  LogDebug("RunNICMonitoring");
  if (!pipeline) ThrowLogged("RunNICMonitoring: the engine is not initialized");
  auto stage = std::make_shared<PassiveEthernetPacketsProcessor>();
  stage->Init(config->monitoredInterfaceName, pipeline->rtpsQueue, SourceType::NIC, Counters());
  stage->StartCaptureThread();
  AddCaptureStage(std::move(stage));
}

void PassiveEngine::DissectRecordingFile(const std::string& path, bool wait) {
  LogDebug("DissectRecordingFile");
  CheckRecordingPath(path);
  if (!pipeline) throw std::runtime_error("the engine is not initialized");
  auto stage = std::make_shared<PassiveEthernetPacketsProcessor>();
  stage->Init(path, pipeline->rtpsQueue, SourceType::PCAP_FILE, Counters());
  // Its own thread rather than a pool task: the capture may pause for the pipeline, which
  // then has every pool thread to drain it.
  stage->StartCaptureThread();
  AddCaptureStage(stage);
  if (!wait) return;
  // Terminate waits for this wait to leave before it releases the pipeline.
  const WaitScope scope(recordingWaits);
  // A Terminate meanwhile stops the stage, so IsFinished turns true then too.
  while (!stage->IsFinished()) std::this_thread::sleep_for(kIdlePollInterval);
  while (!terminating.load() && !IsIdle()) std::this_thread::sleep_for(kIdlePollInterval);
  // Samples still missing DATA_FRAG fragments can no longer complete once every recording has
  // been read and routed; give them up (counted) rather than keep them until Terminate. A
  // recording still being read may yet complete them, so they wait for its end.
  if (!terminating.load() && !AnyCaptureStageReading()) pipeline->rtpsProcessor->Fragments().Clear();
}

bool PassiveEngine::AnyCaptureStageReading() const {
  std::shared_lock lock(captureStagesMutex);
  for (const auto& stage : captureStages) {
    if (!stage->IsFinished()) return true;
  }
  return false;
}

void PassiveEngine::AddWriterDiscoveryData(const std::string& writerGuid,
                                           const std::string& topicName,
                                           const std::string& typeName) {
  AddWriterDiscoveryDataInternal(writerGuid, topicName, typeName);
}

void PassiveEngine::AddWriterDiscoveryDataInternal(const std::string& writerGuid,
                                                   const std::string& topicName,
                                                   const std::string& typeName) {
  LogDebug("AddWriterDiscoveryDataInternal");
  if (!pipeline) throw std::runtime_error("the engine is not initialized");
  std::string_view digits = writerGuid;
  if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) digits.remove_prefix(2);
  const std::vector<uint8_t> bytes = HexBytes(digits);
  if (bytes.size() != 16) throw std::invalid_argument("Invalid input string");
  PassiveEndPointDiscoveryRecord record;
  record.guidText = HexText(bytes);
  record.topicName = topicName;
  record.typeName = typeName;
  const WriterKey key = WriterKey::FromGuidBytes(std::span<const uint8_t, 16>(bytes.data(), 16));
  record.guidWords = key.words;
  pipeline->endpointProcessor->CreatePassiveUserDataProcessor(record, key);
}

std::vector<WriterInfo> PassiveEngine::DiscoveredWritersInfo() const {
  std::vector<WriterInfo> writers;
  if (!passiveDB) return writers;
  for (const PassiveEndPointDiscoveryRecord& record : passiveDB->GetEndpointDiscoveryRecords()) {
    WriterInfo info;
    info.name = record.endpointName;
    info.parentName = "Publisher";
    info.qualifiedName = "Publisher::" + record.endpointName;
    info.topicName = record.topicName;
    info.typeName = record.typeName;
    info.guid = "0x" + record.guidText;
    writers.push_back(std::move(info));
  }
  return writers;
}

EngineStatistics PassiveEngine::Statistics() const {
  if (!passiveDB) return {};
  EngineStatistics statistics = passiveDB->Counters().Snapshot(&SubMessageName);
  if (pipeline) {
    statistics.queueDepths["RTPSMessages"] = pipeline->rtpsQueue->Size();
    statistics.queueDepths["ParticipantDiscovery"] = pipeline->participantQueue->Size();
    statistics.queueDepths["EndpointDiscovery"] = pipeline->endpointQueue->Size();
    statistics.queueDepths["DataBatch"] = pipeline->batchQueue->Size();
  }
  statistics.queueDepths["Deliveries"] = deliveryLane ? deliveryLane->Pending() : 0;
  uint64_t userData = 0;
  for (const auto& [typeName, size] : passiveDB->UserDataQueueSizes()) userData += size;
  statistics.queueDepths["UserData"] = userData;
  return statistics;
}

bool PassiveEngine::IsIdle() const {
  if (!pipeline || !passiveDB) return true;
  const auto& sequencer = passiveDB->Sequencer();
  return pipeline->IsIdle() && passiveDB->IsIdle() && (!sequencer || sequencer->Pending() == 0) &&
         (!deliveryLane || deliveryLane->Pending() == 0);
}

uint64_t PassiveEngine::PipelinePeak() const { return gauge ? gauge->Peak() : 0; }

void PassiveEngine::DeliverSample(std::shared_ptr<DissectedSample> sample,
                                  DataProcessor* processor) {
  if (!deliveryLane) {
    HandleSafely(sample, processor);
    return;
  }
  gauge->Add();
  deliveryLane->Push(std::move(sample), processor);
  deliveryLane->Drain();
}

// A listener's exception ends that sample's delivery only: the pipeline goes on.
void PassiveEngine::HandleSafely(const std::shared_ptr<DissectedSample>& sample,
                                 DataProcessor* processor) {
  try {
    HandleDissectedSample(sample, processor);
  } catch (const std::exception& error) {
    LogError(std::string("Exception in PassiveEngine delivering a sample: ") + error.what());
  }
}

// The registry's counters, shared with the stages that bump them: they keep the registry alive.
std::shared_ptr<EngineCounters> PassiveEngine::Counters() const {
  return std::shared_ptr<EngineCounters>(passiveDB, &passiveDB->Counters());
}

void PassiveEngine::AddCaptureStage(std::shared_ptr<PassiveEthernetPacketsProcessor> stage) {
  std::unique_lock lock(captureStagesMutex);
  captureStages.push_back(std::move(stage));
}

void PassiveEngine::StopCaptureStages() {
  std::shared_lock lock(captureStagesMutex);
  for (const auto& stage : captureStages) stage->Terminate();
}

void PassiveEngine::JoinPools() {
  // A pool thread delivering a recording's backlog would hold up the join.
  if (deliveryLane) deliveryLane->Stop();
  if (!mainPool) return;
  mainPool->stop();
  mainPool->join();
}

// Capture first, so a recording's loop on the pool leaves at its next frame; then the pools,
// so no run is left that could reach a processor; then what the runs used.
void PassiveEngine::Terminate() {
  LogDebug("Terminate");
  terminating.store(true);
  StopCaptureStages();
  JoinPools();
  // A DissectRecordingFile still waiting sees `terminating` within one poll interval.
  while (recordingWaits.load() != 0) std::this_thread::sleep_for(kIdlePollInterval);
  if (passiveDB) passiveDB->Terminate();
  {
    std::unique_lock lock(captureStagesMutex);
    captureStages.clear();
  }
  pipeline.reset();
  deliveryLane.reset();
  mainPool.reset();
  LogDebug("Stop");
}

TypeInfo PassiveEngine::IntrospectType(const std::string& typeName) {
  return IntrospectTypeInfo(typeName, *config);
}

}  // namespace Quorvel::passive
