#include "passive/PassiveParticipantDiscoveryProcessor.h"

#include "common/Log.h"
#include "dissection/DynamicDataDissector.h"
#include "middleware/xtypes/DynamicData.h"
#include "passive/DiscoveryParameters.h"
#include "passive/PassiveEngineDB.h"
#include "passive/PassiveParticipantDiscoveryRecord.h"

namespace Quorvel::passive {

namespace {

constexpr char kTypeName[] = "ParticipantDiscoveryType";
constexpr char kTopicName[] = "DCPSParticipant";

xtypes::DynamicData ParticipantColumns(const xtypes::DynamicTypePtr& type,
                            const PassiveParticipantDiscoveryRecord& record) {
  xtypes::DynamicData data(type);
  data.value<int32_t>("domain_id", static_cast<int32_t>(record.domainId));
  data.value<std::string>("entity_name", record.participantName);
  data.value<std::string>("entity_guid", "0x" + record.guidText);
  data.value<std::string>("product_version", record.productVersion);
  data.value<std::string>("protocol_version", record.protocolVersion);
  return data;
}

}  // namespace

PassiveParticipantDiscoveryProcessor::PassiveParticipantDiscoveryProcessor(
    SampleHandler handler, const std::shared_ptr<const EngineConfig>& config,
    std::shared_ptr<PassiveEngineDB> engineDB)
    : PassiveDiscoveryProcessor(kTypeName, "ParticipantDiscoveryMessageQueue", "PassiveParticipantDiscoveryProcessor",
                                std::move(handler), config, std::move(engineDB)) {
  LogDebug("PassiveParticipantDiscoveryProcessor");
}

PassiveParticipantDiscoveryProcessor::~PassiveParticipantDiscoveryProcessor() {
  LogDebug("~PassiveParticipantDiscoveryProcessor");
}

void PassiveParticipantDiscoveryProcessor::ParseMessage(const RTPSDataSubMessage& data,
                                                        PassiveParticipantDiscoveryRecord& record,
                                                        WriterKey& key) {
  if (data.message->ipHeader) record.sourceAddress = data.message->ipHeader->src_ip;
  ParseParticipantParameters(DiscoveryParameterList(data), record, key);
}

void PassiveParticipantDiscoveryProcessor::FeedOutputterByRecord(
    DDSSample& sample, const PassiveParticipantDiscoveryRecord& record) {
  xtypes::DynamicData columns = ParticipantColumns(Type(), record);
  DynamicDataDissector(columns, sample);
}

void PassiveParticipantDiscoveryProcessor::Process(const RTPSDataSubMessage& data) {
  const std::string prefix = data.messageHeader.GuidPrefixText();
  VELTRANE_LOG(DEBUG, "Processing a Data(p) RTPS message #" +
                          std::to_string(data.header.writerSN.value) +
                          " from Participant GUID 0x" + prefix);
  if (!data.header.dataPresent) {
    LogDebug("Received message with no data. Discarding ...");
    Drop(DropReason::NO_DATA);
    return;
  }
  PassiveParticipantDiscoveryRecord record;
  WriterKey key;
  try {
    ParseMessage(data, record, key);
  } catch (const std::exception& error) {
    LogError(
        "Error parsing participant discovery information (message is probably corrupted). "
        "ParticipantGUID = " +
        prefix + " " + SourceText(data) + ". error: " + error.what());
    Drop(DropReason::MALFORMED_INPUT);
    return;
  }
  if (!Registry().IsParticipantDiscoveryRecordExists(key)) {
    Registry().InsertParticipantDiscoveryRecord(record, key);
  }
  DeliverAnnouncement(
      data, [&](DDSSample& sample) { FeedOutputterByRecord(sample, record); }, kTopicName,
      record.domainId, "ParticipantDiscovery");
}

}  // namespace Quorvel::passive
