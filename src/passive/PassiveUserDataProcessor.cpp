#include "passive/PassiveUserDataProcessor.h"

#include "common/Log.h"
#include "dissection/DDSSample.h"
#include "dissection/DynamicDataDissector.h"
#include "dissection/MetadataTexts.h"
#include "dissection/SampleMetadataDissector.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicData.h"
#include "passive/CapturedSampleMetadata.h"
#include "passive/DeliverySequencer.h"
#include "passive/PassiveDissectedSample.h"
#include "passive/PassiveEngineDB.h"

namespace Quorvel::passive {

PassiveUserDataProcessor::PassiveUserDataProcessor(const std::string& typeName,
                                                   xtypes::DynamicTypePtr type,
                                                   std::shared_ptr<boost::asio::thread_pool> pool,
                                                   SampleHandler handler,
                                                   std::shared_ptr<const EngineConfig> config,
                                                   std::shared_ptr<PassiveEngineDB> engineDB)
    : DataProcessor(typeName, std::move(type), std::move(handler), std::move(config), engineDB),
      passiveDB(std::move(engineDB)),
      // The queue dies with the processor; the engine joins the pool before it lets
      // processors go, so no run outlives the `this` it calls.
      queue(std::make_shared<UserDataQueue>(
          std::move(pool), [this] { Operation(); }, passiveDB ? passiveDB->UserDataRuns() : 1,
          passiveDB ? passiveDB->Gauge() : nullptr)),
      metadataTexts(std::make_shared<MetadataTexts>()) {
  if (passiveDB) queue->ReturnConsumedTo(passiveDB->RetiredUserData());
  LogDebug("PassiveUserDataProcessor Created for type = " + typeName);
}

PassiveUserDataProcessor::~PassiveUserDataProcessor() {
  LogDebug("~PassiveUserDataProcessor");
}

void PassiveUserDataProcessor::Operation() {
  auto messages = queue->PopUpTo(kSamplesPerRun);
  if (messages.empty()) {
    LogDebug("No message in queue (in shutdown process)");
    return;
  }
  WriterFacts facts;
  for (const auto& message : messages) Dissect(*message, facts);
  queue->Retire(std::move(messages));
}

void PassiveUserDataProcessor::Dissect(const RTPSUserDataMessage& message, WriterFacts& facts) {
  std::shared_ptr<DissectedSample> sample;
  try {
    sample = Process(message, facts);
  } catch (const std::exception& error) {
    LogError(std::string("Exception in PassiveUserDataProcessor: ") + error.what());
  }
  const auto& sequencer = passiveDB ? passiveDB->Sequencer() : nullptr;
  if (sequencer && message.deliveryTicket) {
    // A dropped sample settles its ticket too, or every later sample would wait for it.
    if (sample) {
      sequencer->Complete(*message.deliveryTicket, std::move(sample), this);
    } else {
      sequencer->Skip(*message.deliveryTicket);
    }
  } else if (sample) {
    Deliver(std::move(sample));
  }
}

void PassiveUserDataProcessor::Drop(DropReason reason) {
  if (passiveDB) passiveDB->Counters().Dropped(reason);
}

void PassiveUserDataProcessor::LookUpWriter(const WriterKey& writer, WriterFacts& facts) const {
  if (facts.writer && *facts.writer == writer) return;
  facts = WriterFacts{};
  if (!passiveDB) return;
  passiveDB->ReadEndpointDiscoveryRecord(writer, [&facts](const PassiveEndPointDiscoveryRecord& endpoint) {
    facts.topicName = endpoint.topicName;
  });
  passiveDB->ReadParticipantDiscoveryRecord(
      ParticipantKeyOf(writer),
      [&facts](const PassiveParticipantDiscoveryRecord& participant) {
        facts.domainId = participant.domainId;
      });
  if (!facts.topicName.empty() && facts.domainId) facts.writer = writer;
}

std::shared_ptr<DissectedSample> PassiveUserDataProcessor::Process(const RTPSUserDataMessage& message,
                                                                   WriterFacts& facts) {
  const RTPSUserDataMessageHeader& header = message.header;
  const uint64_t sequence = header.writerSN.value;
  LookUpWriter(header.writerKey, facts);
  std::string topicName = facts.topicName;
  const std::optional<int64_t> domainId = facts.domainId;
  VELTRANE_LOG(DEBUG, "Processing a UserDataMessage #" + std::to_string(sequence) +
                          " from Writer GUID " + header.writerKey.GuidText() + " on Topic " +
                          topicName);
  if (!header.dataPresent) {
    LogDebug("Received message with no data. Discarding ...");
    Drop(DropReason::NO_DATA);
    return nullptr;
  }

  auto lease = decodedSamples.Borrow([this] { return xtypes::DynamicData(Type()); });
  xtypes::DynamicData& data = *lease;
  try {
    std::vector<uint8_t> scratch;
    const std::span<const uint8_t> payload = message.SerializedPayload(scratch);
    cdr::from_cdr_buffer(data, payload.data(), payload.size());
  } catch (const std::exception& error) {
    LogError(std::string(" Error converting buffer to sample. Discarding message. Error = ") +
             error.what());
    Drop(DropReason::CONVERSION_ERROR);
    return nullptr;
  }

  auto sample = std::make_shared<DDSSample>(
      *this, Settings(),
      CapturedSampleMetadata(*message.message, message.messageHeader, header.writerKey, sequence,
                             std::move(topicName), domainId, metadataTexts));
  try {
    DynamicDataDissector(data, *sample);
    SampleMetadataDissector::FeedOutputter(*sample, *Config());
  } catch (const std::exception& error) {
    LogError(std::string(" Error dissecting DynamicData. Discarding message. Error = ") +
             error.what());
    Drop(DropReason::DISSECTION_ERROR);
    return nullptr;
  }
  LogDebug("Successful message dissection");
  return std::make_shared<PassiveDissectedSample>(std::move(sample), this,
                                                  DissectedSampleDataType::USER_DATA, "UserData");
}

}  // namespace Quorvel::passive
