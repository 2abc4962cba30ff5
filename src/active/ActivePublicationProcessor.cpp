#include "active/ActivePublicationProcessor.h"

#include "active/ActiveDissectedSample.h"
#include "active/ActiveEngineDB.h"
#include "active/ActiveSampleMetadata.h"
#include "active/ActiveTopicProcessor.h"
#include "active/GuidText.h"
#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/DDSSample.h"
#include "dissection/DynamicDataDissector.h"
#include "dissection/SampleMetadataDissector.h"
#include "engine/core/EngineConfig.h"
#include "engine/core/EngineCounters.h"
#include "middleware/transport/DiscoveredPublication.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/PublicationDiscovery.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/xml/QosProvider.h"
#include "middleware/xml/TypeLibrary.h"
#include "middleware/xtypes/DynamicData.h"

#include <chrono>
#include <stdexcept>

namespace Quorvel {
namespace {

constexpr char kDiscoveryTypeName[] = "EndpointDiscoveryType";
constexpr char kDiscoveryTopicName[] = "DataWriterEndpointDiscovery";
// DDSI-RTPS 2.5, 9.3.1.3: the SEDP writer that announces a participant's publications.
constexpr Transport::Guid::value_type kPublicationsAnnouncer[4] = {0x00, 0x00, 0x03, 0xc2};

xtypes::DynamicTypePtr DiscoveryType(const std::shared_ptr<const EngineConfig>& config) {
  if (!config) throw std::invalid_argument("ActivePublicationProcessor needs a configuration");
  return config->engineDDSConfig->ExtractDynamicType(kDiscoveryTypeName);
}

// Discovery has no sample information of its own: the announcement is a valid, new sample of
// the writer's instance, sent by its participant's publications announcer, received now.
Transport::SampleInfo AnnouncementInfo(const Transport::DiscoveredPublication& publication) {
  Transport::SampleInfo info;
  info.validData = true;
  info.instanceHandle = publication.writerGuid;
  info.writerGuid = publication.writerGuid;
  std::copy(std::begin(kPublicationsAnnouncer), std::end(kPublicationsAnnouncer), info.writerGuid.begin() + 12);
  info.publicationHandle = info.writerGuid;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
  info.receptionTimestamp = {static_cast<std::int32_t>(seconds.count()),
                             static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds).count())};
  return info;
}

}  // namespace

ActivePublicationProcessor::ActivePublicationProcessor(std::shared_ptr<Transport::Participant> participant,
                                                       std::string subscriberName,
                                                       std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet,
                                                       SampleHandler handler,
                                                       std::shared_ptr<const EngineConfig> config,
                                                       std::shared_ptr<ActiveEngineDB> engineDB)
    : DataProcessor(kDiscoveryTypeName, DiscoveryType(config), std::move(handler), config, std::move(engineDB)),
      participant(std::move(participant)),
      subscriberName(std::move(subscriberName)),
      topicWaitSet(std::move(topicWaitSet)) {
  if (!this->participant) throw std::invalid_argument("ActivePublicationProcessor needs a participant");
  domainId = this->participant->DomainId();
  LogDebug("ActivePublicationProcessor");
}

ActivePublicationProcessor::~ActivePublicationProcessor() { LogDebug("~ActivePublicationProcessor"); }

void ActivePublicationProcessor::CreateBenchmarkLogger() { LogDebug("CreateBenchmarkLogger"); }

void ActivePublicationProcessor::Terminate() { LogDebug("Terminate"); }

ActiveEngineDB& ActivePublicationProcessor::Registry() const { return static_cast<ActiveEngineDB&>(*DB()); }

void ActivePublicationProcessor::Operation() {
  for (const Transport::DiscoveredPublication& publication : participant->Publications()->TakeAll()) {
    // A writer that went away carries no publication data.
    if (publication.status == Transport::PublicationStatus::REMOVED) continue;
    try {
      Process(publication);
    } catch (const std::exception& e) {
      LogError(std::string("Exception in ActivePublicationProcessor: ") + e.what());
    }
  }
}

void ActivePublicationProcessor::Process(const Transport::DiscoveredPublication& publication) {
  const std::string& topic = publication.topicName;
  LogInfo("Discovered a DataWriter to Topic = " + topic + " With Type = " + publication.typeName);
  if (Registry().isTopicExists(topic)) {
    LogDebug("Already have a DataReader to discovered Topic = " + topic);
    return;
  }
  const std::shared_ptr<const xml::QosProvider> provider = Config()->engineDDSConfig->UserQosProvider();
  if (!provider || !provider->types().Find(publication.typeName)) {
    LogInfo("Skipping dynamic subscription for type " + publication.typeName);
    // The announcement goes undelivered with its writer.
    DB()->Counters().Dropped(DropReason::UNKNOWN_TYPE);
    return;
  }
  std::shared_ptr<ActiveTopicProcessor> processor =
      Subscribe(publication, Config()->engineDDSConfig->ExtractDynamicType(publication.typeName));
  if (!processor) return;
  Announce(publication);
  if (!processor->InitializeDissectorDataHandlers()) {
    LogError("Unable to Initialize Dissectors DataHandler for TopicName. Ignoring Topic " + topic);
    return;
  }
  Registry().GetReaderRecordByTopicName(topic)->reader->Enable();
  LogInfo("Starting to monitor Topic " + topic);
}

std::shared_ptr<ActiveTopicProcessor> ActivePublicationProcessor::Subscribe(
    const Transport::DiscoveredPublication& publication, xtypes::DynamicTypePtr type) {
  const std::string& topic = publication.topicName;
  xml::QosPolicies qos;
  const std::shared_ptr<const xml::QosProvider> provider = Config()->engineDDSConfig->UserQosProvider();
  if (provider->default_profile().empty()) {
    LogDebug("Not specific QOS was found for Topic = " + topic +
             " under QOS configuration file. Setting default QOS for DataReader");
  } else {
    qos = provider->datareader_qos_w_topic_name(topic);
  }
  qos.entityName = topic + "_DR";
  try {
    std::shared_ptr<Transport::TopicReader> reader =
        participant->CreateReader(subscriberName, topic, publication.typeName, type, qos);
    Registry().InsertNewReaderRecord(*qos.entityName, topic, publication.typeName, std::move(type),
                                     std::move(reader));
  } catch (const std::exception& e) {
    LogError(std::string("Error in InsertNewReaderRecord. Error = ") + e.what());
    return nullptr;
  }
  try {
    const std::shared_ptr<ActiveInputRecord> record = Registry().GetReaderRecordByTopicName(topic);
    if (!record) throw std::runtime_error("No record was found for " + topic);
    record->processor = std::make_shared<ActiveTopicProcessor>(record->reader, topicWaitSet, Registry().SampleCallback(),
                                                               Config(), DB(), domainId);
    return record->processor;
  } catch (const std::exception& e) {
    LogError(" AddTopicDissector to topic  = " + topic + ". Ignoring this Topic: " + e.what());
    return nullptr;
  }
}

void ActivePublicationProcessor::Announce(const Transport::DiscoveredPublication& publication) {
  auto sample = std::make_shared<DDSSample>(
      *this, Settings(), ActiveSampleMetadata(AnnouncementInfo(publication), kDiscoveryTopicName, domainId));
  FeedOutputterWithPublicationData(*sample, publication);
  SampleMetadataDissector::FeedOutputter(*sample, *Config());
  Deliver(std::make_shared<ActiveDissectedSample>(sample, this, DissectedSampleDataType::DISCOVERY_DATA));
  LogDebug("Successful message dissection");
}

void ActivePublicationProcessor::FeedOutputterWithPublicationData(
    DDSSample& sample, const Transport::DiscoveredPublication& publication) const {
  xtypes::DynamicData columns(Type());
  columns.value<std::string>("entity_name", publication.qos.entityName.value_or(""));
  columns.value<std::string>("entity_guid", "0x" + GuidText(publication.writerGuid));
  columns.value<std::string>("topic_name", publication.topicName);
  columns.value<std::string>("type_name", publication.typeName);
  DynamicDataDissector(columns, sample);
}

}  // namespace Quorvel
