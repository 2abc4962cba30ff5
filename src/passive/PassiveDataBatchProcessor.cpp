#include "passive/PassiveDataBatchProcessor.h"

#include "common/Log.h"
#include "passive/DataBatchSplitter.h"
#include "passive/DeliverySequencer.h"
#include "passive/PassiveEngineDB.h"
#include "passive/PassiveUserDataProcessor.h"
#include "passive/WireError.h"

namespace Quorvel::passive {

PassiveDataBatchProcessor::PassiveDataBatchProcessor(std::shared_ptr<const EngineConfig> config,
                                                     std::shared_ptr<PassiveEngineDB> engineDB)
    : config(std::move(config)), passiveDB(std::move(engineDB)) {
  LogDebug("PassiveDataBatchProcessor");
}

PassiveDataBatchProcessor::~PassiveDataBatchProcessor() {
  LogDebug("~PassiveDataBatchProcessor");
}

void PassiveDataBatchProcessor::Init(std::weak_ptr<BatchQueue> batchQueue) {
  LogDebug("Init");
  queue = std::move(batchQueue);
}

void PassiveDataBatchProcessor::Operation() {
  const auto locked = queue.lock();
  if (!locked) return;
  const auto batch = locked->Pop();
  if (!batch) return;
  ProcessBatch(*batch);
}

void PassiveDataBatchProcessor::ProcessBatch(const RTPSDataBatchSubMessage& batch) {
  const std::string batchSequence = std::to_string(batch.header.batchSN.value);
  VELTRANE_LOG(DEBUG, "Processing an RTPS DataBatch message #" + batchSequence);
  std::vector<std::shared_ptr<RTPSUserDataMessage>> samples;
  try {
    samples = SplitDataBatch(batch);
  } catch (const std::exception& error) {
    LogWarning("Discarding the DataBatch RTPS message #" + batchSequence +
               " from Writer GUID " + batch.WriterGuid().GuidText() + ": " + error.what());
    passiveDB->Counters().Dropped(DropReason::MALFORMED_INPUT);
    return;
  }
  for (auto& sample : samples) {
    const WriterKey& writer = sample->header.writerKey;
    if (const auto processor = passiveDB->GetPassiveUserDataProcessor(writer)) {
      VELTRANE_LOG(TRACE, "Enqueuing a UserData RTPS message #" + batchSequence);
      if (const auto& sequencer = passiveDB->Sequencer()) {
        sample->deliveryTicket = sequencer->Reserve();
      }
      processor->Queue().Enqueue(std::move(sample));
    } else {
      LogWarning("No DataWriter matches the UserData RTPS message #" + batchSequence +
                 " from Writer GUID " + writer.GuidText() +
                 ". Make sure that Discovery messages are properly routed");
      passiveDB->Counters().Dropped(DropReason::NO_MATCHING_WRITER);
    }
  }
}

}  // namespace Quorvel::passive
