#include "passive/PassiveEndpointDiscoveryProcessor.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/DynamicDataDissector.h"
#include "engine/core/EngineConfig.h"
#include "engine/core/EngineDB.h"
#include "middleware/xtypes/DynamicData.h"
#include "passive/CapturedSampleMetadata.h"
#include "passive/DiscoveryParameters.h"
#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveEngineDB.h"
#include "passive/PassiveUserDataProcessor.h"

#include <stdexcept>

namespace Quorvel::passive {

namespace {

constexpr char kTypeName[] = "EndpointDiscoveryType";
constexpr char kMinimalInformationMissing[] =
    "Cannot find minimal required information (TopicName / TypeName / EntityID) in Data(w) "
    "message. Ignoring entity.";

}  // namespace

PassiveEndpointDiscoveryProcessor::PassiveEndpointDiscoveryProcessor(
    std::shared_ptr<boost::asio::thread_pool> pool, SampleHandler handler,
    const std::shared_ptr<const EngineConfig>& config, std::shared_ptr<PassiveEngineDB> engineDB)
    : PassiveDiscoveryProcessor(kTypeName, "EndPointDiscoveryMessageQueue", "PassiveEndpointDiscoveryProcessor",
                                std::move(handler), config, std::move(engineDB)),
      pool(std::move(pool)) {
  LogDebug("PassiveEndpointDiscoveryProcessor");
}

PassiveEndpointDiscoveryProcessor::~PassiveEndpointDiscoveryProcessor() {
  LogDebug("~PassiveEndpointDiscoveryProcessor");
}

void PassiveEndpointDiscoveryProcessor::ParseMessage(const RTPSDataSubMessage& data,
                                                     PassiveEndPointDiscoveryRecord& record,
                                                     WriterKey& key) {
  if (data.message->ipHeader) record.sourceAddress = data.message->ipHeader->src_ip;
  ParseEndpointParameters(DiscoveryParameterList(data), record, key);
}

void PassiveEndpointDiscoveryProcessor::FeedOutputterByRecord(
    DDSSample& sample, const PassiveEndPointDiscoveryRecord& record) {
  xtypes::DynamicData columns(Type());
  columns.value<std::string>("entity_name", record.endpointName);
  columns.value<std::string>("entity_guid", "0x" + record.guidText);
  columns.value<std::string>("topic_name", record.topicName);
  columns.value<std::string>("type_name", record.typeName);
  DynamicDataDissector(columns, sample);
}

void PassiveEndpointDiscoveryProcessor::Process(const RTPSDataSubMessage& data) {
  const bool publication = data.header.writerId.value == EntityId::kPublicationsWriter;
  VELTRANE_LOG(DEBUG, std::string("Processing a Data(") + (publication ? "w" : "r") +
                          ") RTPS message #" + std::to_string(data.header.writerSN.value) +
                          " from GUID 0x" + data.messageHeader.GuidPrefixText());
  if (!data.header.dataPresent) {
    LogDebug("Received message with no data. Discarding ...");
    Drop(DropReason::NO_DATA);
    return;
  }
  PassiveEndPointDiscoveryRecord record;
  WriterKey key;
  try {
    ParseMessage(data, record, key);
  } catch (const std::exception& error) {
    LogError(
        "Error parsing endpoint discovery information (message is probably corrupted). "
        "Topic = " +
        record.topicName + " " + SourceText(data) + " error: " + error.what());
    Drop(DropReason::MALFORMED_INPUT);
    return;
  }
  const auto participant =
      Registry().GetParticipantDiscoveryRecordByKey(ParticipantKeyOf(data.WriterGuid()));
  if (publication) {
    try {
      CreatePassiveUserDataProcessor(record, key);
    } catch (const std::exception& error) {
      // A writer whose samples cannot be dissected is ignored, announcement included.
      LogError(std::string("Exception in PassiveEndpointDiscoveryProcessor: ") + error.what());
      Drop(DropReason::UNKNOWN_TYPE);
      return;
    }
  }
  DeliverAnnouncement(
      data, [&](DDSSample& sample) { FeedOutputterByRecord(sample, record); }, "DCPS" +
      std::string(publication ? "Publication" : "Subscription"),
      participant ? std::optional<int64_t>(participant->domainId) : std::nullopt,
      publication ? "DataWriterEndpointDiscovery" : "DataReaderEndpointDiscovery");
}

void PassiveEndpointDiscoveryProcessor::CreatePassiveUserDataProcessor(
    const PassiveEndPointDiscoveryRecord& record, const WriterKey& key) {
  if (record.topicName.empty() || record.typeName.empty() || !record.HasGuid()) {
    throw std::runtime_error(kMinimalInformationMissing);
  }
  const std::string& typeName = record.typeName;
  if (Registry().IsPassiveUserDataProcessorExists(typeName)) {
    LogDebug("PassiveUserDataProcessor already exists for type " + typeName);
  } else {
    xtypes::DynamicTypePtr type;
    try {
      type = Config()->engineDDSConfig->ExtractDynamicType(typeName);
    } catch (const std::exception&) {
      throw std::runtime_error(kMinimalInformationMissing);
    }
    try {
      auto processor = std::make_shared<PassiveUserDataProcessor>(
          typeName, std::move(type), pool, Registry().SampleCallback(), Config(),
          std::static_pointer_cast<PassiveEngineDB>(DB()));
      if (Registry().InsertPassiveUserDataProcessor(std::move(processor))) {
        LogInfo("Inserted a new passiveUserDataProcessor to DB for Type " + typeName);
      }
    } catch (const std::exception& error) {
      LogError("Error in InsertPassiveUserDataProcessor for TypeName = " + typeName +
               ". Ignoring entity. Error = " + error.what());
      return;
    }
  }
  MapWriter(record, key);
}

void PassiveEndpointDiscoveryProcessor::MapWriter(const PassiveEndPointDiscoveryRecord& record,
                                                  const WriterKey& key) {
  const std::string guid = "0x" + record.guidText;
  if (const auto existing = Registry().GetEndpointDiscoveryRecordByKey(key)) {
    if (existing->typeName == record.typeName) return;
    LogInfo("Replacing DW Endpoint Discovery mapping for DW GUID " + guid + " from Type" +
            existing->typeName + " to type Type" + record.typeName);
    Registry().RemoveEndpointDiscoveryRecord(key);
  } else {
    LogInfo("Inserted a DW entry from Writer GUID " + guid + " to DB for Type " +
            record.typeName + " on Topic " + record.topicName);
  }
  Registry().InsertEndpointDiscoveryRecord(record, key);
}

}  // namespace Quorvel::passive
