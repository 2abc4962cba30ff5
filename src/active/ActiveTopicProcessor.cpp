#include "active/ActiveTopicProcessor.h"

#include "active/ActiveDissectedSample.h"
#include "active/ActiveSampleMetadata.h"
#include "active/GuidText.h"
#include "active/KeyMemberFilter.h"
#include "common/Log.h"
#include "dissection/DDSSample.h"
#include "dissection/DynamicDataDissector.h"
#include "dissection/SampleMetadataDissector.h"
#include "engine/core/EngineDB.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/CdrError.h"
#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/xtypes/DynamicData.h"

#include <stdexcept>
#include <vector>

namespace Quorvel {
namespace {

const std::shared_ptr<Transport::TopicReader>& Required(
    const std::shared_ptr<Transport::TopicReader>& reader) {
  if (!reader) throw std::invalid_argument("ActiveTopicProcessor needs a reader");
  return reader;
}

}  // namespace

ActiveTopicProcessor::ActiveTopicProcessor(std::shared_ptr<Transport::TopicReader> reader,
                                           std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet,
                                           SampleHandler handler,
                                           std::shared_ptr<const EngineConfig> config,
                                           std::shared_ptr<EngineDB> engineDB,
                                           std::optional<std::int64_t> domainId)
    : DataProcessor(Required(reader)->Type()->name(), reader->Type(), std::move(handler),
                    std::move(config), std::move(engineDB)),
      reader(std::move(reader)),
      topicWaitSet(std::move(topicWaitSet)),
      topicName(this->reader->TopicName()),
      readerName(this->reader->Name()),
      domainId(domainId),
      keyMembers(std::make_unique<KeyMemberFilter>(*Type())) {}

ActiveTopicProcessor::~ActiveTopicProcessor() = default;

bool ActiveTopicProcessor::InitializeDissectorDataHandlers() {
  try {
    if (!topicWaitSet) throw std::runtime_error("no topic wait set");
    // A weak reference: the wait set outliving the processor must not keep it alive.
    std::weak_ptr<ActiveTopicProcessor> self = weak_from_this();
    topicWaitSet->Attach(reader->Condition(), [self] {
      if (auto processor = self.lock()) processor->Operation();
    });
    LogDebug("InitializeDissectorDataHandlers for topic " + topicName);
    return true;
  } catch (const std::exception& e) {
    LogError(std::string("Exception in InitializeDissectorsDataHandler:  ") + e.what());
    return false;
  }
}

void ActiveTopicProcessor::Operation() {
  batch.clear();
  try {
    // The condition stays locked until this run returns: triggers meanwhile only mark it
    // pending, so the next run takes everything that arrived as one batch, in order.
    reader->TakeAll(batch);
  } catch (const std::exception& e) {
    LogError(" Operation Error On reader = " + readerName + " - error = " + e.what());
    return;
  }
  ProcessBatch();
}

void ActiveTopicProcessor::ProcessBatch() {
  for (const Transport::ReceivedSample& received : batch) {
    try {
      ProcessSample(received);
    } catch (const std::exception& e) {
      LogError(" DynamicDataDissector Error On reader = " + readerName + " - SampleSeq# = " +
               std::to_string(received.info.sequenceNumber) + " - error = " + e.what());
      // A payload that does not decode as the type is a conversion failure; anything else
      // failed while the decoded sample was walked.
      const bool undecodable = dynamic_cast<const cdr::CdrError*>(&e) != nullptr;
      if (DB()) {
        DB()->Counters().Dropped(undecodable ? DropReason::CONVERSION_ERROR : DropReason::DISSECTION_ERROR);
      }
    }
  }
}

void ActiveTopicProcessor::ProcessSample(const Transport::ReceivedSample& received) {
  const Transport::SampleInfo& info = received.info;
  // Per-sample lines are built only when their severity is on: this is the hot path.
  VELTRANE_LOG(DEBUG, "Processing a UserDataMessage #" + std::to_string(info.sequenceNumber) +
                          " from Writer GUID 0x" + GuidText(info.writerGuid) + " on Topic " + topicName);
  auto sample = std::make_shared<DDSSample>(*this, Settings(),
                                            ActiveSampleMetadata(info, topicName, domainId));
  if (info.validData) {
    // Decoding overwrites every member, so one sample serves the whole stream without
    // allocating again once its sequences and strings have grown.
    if (!decoded) decoded = std::make_unique<xtypes::DynamicData>(Type());
    cdr::from_cdr_buffer(*decoded, received.payload);
    DynamicDataDissector(*decoded, *sample);
  } else {
    VELTRANE_LOG(TRACE, "Processing a non-valid sample on topic " + topicName);
    // Without remembered key values (an instance never seen with data, or a handle Fast DDS
    // left zero) the sample carries its metadata alone.
    if (std::optional<xtypes::DynamicData> keys = reader->KeyValues(info.instanceHandle)) {
      DDSSample whole(*this, Settings());
      DynamicDataDissector(*keys, whole);
      keyMembers->CopyKeyMembers(whole.Output(), sample->Output());
    }
  }
  SampleMetadataDissector::FeedOutputter(*sample, *Config());
  Deliver(std::make_shared<ActiveDissectedSample>(sample, this, DissectedSampleDataType::USER_DATA));
  LogTrace("Successfully processed message");
}

}  // namespace Quorvel
