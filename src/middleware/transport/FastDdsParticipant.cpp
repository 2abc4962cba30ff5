#include "middleware/transport/FastDdsParticipant.h"

#include "common/Log.h"
#include "middleware/transport/DiscoveryListener.h"
#include "middleware/transport/FastDdsConversions.h"
#include "middleware/transport/FastDdsTopicReader.h"
#include "middleware/transport/FastDdsTopicWriter.h"
#include "middleware/transport/GenericPayloadType.h"
#include "middleware/transport/PublicationDiscovery.h"
#include "middleware/transport/QosMapping.h"
#include "middleware/xml/ParticipantDefinitions.h"
#include "middleware/xml/QosProvider.h"

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastrtps/attributes/LibrarySettingsAttributes.h>
#include <fastrtps/xmlparser/XMLProfileManager.h>

#include <algorithm>

namespace Quorvel::Transport {
namespace {

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::types::ReturnCode_t;

// Type references in participant files may carry a leading "::" (the global scope).
std::string WithoutGlobalScope(const std::string& name) { return name.rfind("::", 0) == 0 ? name.substr(2) : name; }

template <typename Map>
std::vector<std::string> KeysOf(const Map& map) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : map) keys.push_back(key);
  return keys;
}

// Nothing Fast DDS creates from now on is enabled before the engine asks, and samples between
// participants of one process take the network path like any other: Fast DDS 2.9's
// intraprocess shortcut stalled reliable delivery now and then in our tests. Both settings are
// process-wide, so they hold for every participant of the process.
void ConfigureFastDds() {
  eprosima::fastrtps::LibrarySettingsAttributes library;
  library.intraprocess_delivery = eprosima::fastrtps::INTRAPROCESS_OFF;
  eprosima::fastrtps::xmlparser::XMLProfileManager::library_settings(library);
  auto* factory = dds::DomainParticipantFactory::get_instance();
  dds::DomainParticipantFactoryQos qos;
  factory->get_qos(qos);
  qos.entity_factory().autoenable_created_entities = false;
  CheckReturnCode(factory->set_qos(qos), "DomainParticipantFactory::set_qos");
}

}  // namespace

std::unique_ptr<Participant> Participant::Create(const xml::QosProvider& provider, const std::string& qualifiedName,
                                                 std::optional<std::int32_t> domainId) {
  const xml::ParticipantDefinition* definition = provider.participant_definition(qualifiedName);
  if (!definition) ThrowLogged("No participant definition named " + qualifiedName);
  const xml::DomainDefinition* domain = provider.domain_definition(definition->domainRef);
  if (!domain) ThrowLogged("Participant " + qualifiedName + " refers to unknown domain " + definition->domainRef);
  const std::int32_t id = domainId.value_or(definition->domainId.value_or(domain->domainId.value_or(0)));
  return std::make_unique<FastDdsParticipant>(provider, *definition, *domain, id);
}

FastDdsParticipant::FastDdsParticipant(const xml::QosProvider& provider, const xml::ParticipantDefinition& definition,
                                       const xml::DomainDefinition& domain, std::int32_t id)
    : domainId(id),
      publications(std::make_shared<PublicationDiscovery>()),
      listener(std::make_unique<DiscoveryListener>(publications)) {
  ConfigureFastDds();
  dds::DomainParticipantQos qos = dds::PARTICIPANT_QOS_DEFAULT;
  qos.name(definition.qualifiedName);
  ApplyParticipantQos(definition.qos, qos);
  // A participant listener with data-on-readers would swallow the readers' data-available.
  participant = dds::DomainParticipantFactory::get_instance()->create_participant(
      domainId, qos, listener.get(), dds::StatusMask::all() >> dds::StatusMask::data_on_readers());
  if (!participant) {
    ThrowLogged("Fast DDS refused participant " + definition.qualifiedName + " on domain " + std::to_string(domainId));
  }
  listener->SetOwnPrefix(participant->guid().guidPrefix);
  try {
    CreatePublishers(provider, definition, domain);
    CreateSubscribers(provider, definition, domain);
  } catch (...) {
    TearDown();
    throw;
  }
  LogInfo("Created participant " + definition.qualifiedName + " on domain " + std::to_string(domainId));
}

FastDdsParticipant::~FastDdsParticipant() { TearDown(); }

void FastDdsParticipant::TearDown() {
  if (!participant) return;
  std::lock_guard<std::mutex> guard(mutex);
  for (auto& [name, reader] : readers) reader->Close();
  for (auto& [name, writer] : writers) writer->Close();
  readers.clear();
  writers.clear();
  // Runs in the destructor: failures are logged, never thrown.
  const ReturnCode_t contained = participant->delete_contained_entities();
  if (contained != ReturnCode_t::RETCODE_OK) {
    LogError("Deleting the participant's entities failed: " + ReturnCodeText(contained));
  }
  topics.clear();
  publishers.clear();
  subscribers.clear();
  const ReturnCode_t result = dds::DomainParticipantFactory::get_instance()->delete_participant(participant);
  if (result != ReturnCode_t::RETCODE_OK) LogError("Deleting participant failed: " + ReturnCodeText(result));
  participant = nullptr;
}

Guid FastDdsParticipant::ParticipantGuid() const { return ToGuid(participant->guid()); }

void FastDdsParticipant::Enable() {
  std::lock_guard<std::mutex> guard(mutex);
  EnableEntities(true);
}

void FastDdsParticipant::EnableExceptReaders() {
  std::lock_guard<std::mutex> guard(mutex);
  EnableEntities(false);
}

void FastDdsParticipant::EnableEntities(bool withReaders) {
  CheckReturnCode(participant->enable(), "DomainParticipant::enable");
  for (auto& [name, topic] : topics) CheckReturnCode(topic->enable(), "Topic::enable of " + name);
  for (auto& [name, publisher] : publishers) CheckReturnCode(publisher->enable(), "Publisher::enable of " + name);
  for (auto& [name, subscriber] : subscribers) CheckReturnCode(subscriber->enable(), "Subscriber::enable of " + name);
  for (auto& [name, writer] : writers) writer->Enable();
  if (!withReaders) return;
  for (auto& [name, reader] : readers) reader->Enable();
}

bool FastDdsParticipant::Enabled() const { return participant->is_enabled(); }

std::shared_ptr<TopicReader> FastDdsParticipant::FindReader(const std::string& qualifiedName) const {
  std::lock_guard<std::mutex> guard(mutex);
  auto found = readers.find(qualifiedName);
  return found == readers.end() ? nullptr : found->second;
}

std::shared_ptr<TopicWriter> FastDdsParticipant::FindWriter(const std::string& qualifiedName) const {
  std::lock_guard<std::mutex> guard(mutex);
  auto found = writers.find(qualifiedName);
  return found == writers.end() ? nullptr : found->second;
}

std::vector<std::string> FastDdsParticipant::ReaderNames() const {
  std::lock_guard<std::mutex> guard(mutex);
  return KeysOf(readers);
}

std::vector<std::string> FastDdsParticipant::WriterNames() const {
  std::lock_guard<std::mutex> guard(mutex);
  return KeysOf(writers);
}

bool FastDdsParticipant::HasSubscriber(const std::string& name) const {
  std::lock_guard<std::mutex> guard(mutex);
  return subscribers.contains(name);
}

void FastDdsParticipant::CreatePublishers(const xml::QosProvider& provider,
                                          const xml::ParticipantDefinition& definition,
                                          const xml::DomainDefinition& domain) {
  for (const xml::EndpointGroupDefinition& group : definition.publishers) {
    dds::PublisherQos qos = dds::PUBLISHER_QOS_DEFAULT;
    ApplyPublisherQos(group.qos, qos);
    dds::Publisher* publisher = participant->create_publisher(qos);
    if (!publisher) ThrowLogged("Fast DDS refused publisher " + group.name);
    publishers[group.name] = publisher;
    for (const xml::EndpointDefinition& endpoint : group.endpoints) {
      dds::Topic& topic = DomainTopic(provider, domain, endpoint.topicRef);
      dds::DataWriterQos writerQos = dds::DATAWRITER_QOS_DEFAULT;
      ApplyWriterQos(endpoint.qos, types.at(topic.get_type_name())->Resolve().extensibility(), writerQos);
      auto hasher = hashers.find(topic.get_type_name());
      writers[endpoint.qualifiedName] = std::make_shared<FastDdsTopicWriter>(
          endpoint.qualifiedName, hasher == hashers.end() ? nullptr : hasher->second, *publisher, topic, writerQos);
    }
  }
}

void FastDdsParticipant::CreateSubscribers(const xml::QosProvider& provider,
                                           const xml::ParticipantDefinition& definition,
                                           const xml::DomainDefinition& domain) {
  for (const xml::EndpointGroupDefinition& group : definition.subscribers) {
    dds::SubscriberQos qos = dds::SUBSCRIBER_QOS_DEFAULT;
    ApplySubscriberQos(group.qos, qos);
    dds::Subscriber* subscriber = participant->create_subscriber(qos);
    if (!subscriber) ThrowLogged("Fast DDS refused subscriber " + group.name);
    subscribers[group.name] = subscriber;
    for (const xml::EndpointDefinition& endpoint : group.endpoints) {
      dds::Topic& topic = DomainTopic(provider, domain, endpoint.topicRef);
      dds::DataReaderQos readerQos = dds::DATAREADER_QOS_DEFAULT;
      ApplyReaderQos(endpoint.qos, readerQos);
      readers[endpoint.qualifiedName] = std::make_shared<FastDdsTopicReader>(
          endpoint.qualifiedName, types.at(topic.get_type_name()), *subscriber, topic, readerQos);
    }
  }
}

dds::Topic& FastDdsParticipant::DomainTopic(const xml::QosProvider& provider, const xml::DomainDefinition& domain,
                                            const std::string& topicName) {
  auto topic = std::find_if(domain.topics.begin(), domain.topics.end(),
                            [&](const xml::TopicDefinition& t) { return t.name == topicName; });
  if (topic == domain.topics.end()) ThrowLogged("Domain " + domain.qualifiedName + " has no topic " + topicName);
  auto registered = std::find_if(domain.registeredTypes.begin(), domain.registeredTypes.end(),
                                 [&](const xml::RegisteredTypeDefinition& r) { return r.name == topic->registerTypeRef; });
  if (registered == domain.registeredTypes.end()) {
    ThrowLogged("Topic " + topicName + " refers to unregistered type " + topic->registerTypeRef);
  }
  RegisterType(registered->name, provider.type(xml::QosProvider::kAnonymousTypeLibrary,
                                               WithoutGlobalScope(registered->typeRef)));
  return EnsureTopic(topicName, registered->name, topic->qos);
}

void FastDdsParticipant::RegisterType(const std::string& typeName, const xtypes::DynamicTypePtr& type) {
  if (types.contains(typeName)) return;
  auto payloadType = std::make_unique<GenericPayloadType>(typeName, type);
  if (payloadType->Hasher()) hashers.emplace(typeName, payloadType->Hasher());
  dds::TypeSupport support(payloadType.release());
  CheckReturnCode(support.register_type(participant, typeName), "DomainParticipant::register_type " + typeName);
  types.emplace(typeName, type);
}

dds::Topic& FastDdsParticipant::EnsureTopic(const std::string& topicName, const std::string& typeName,
                                            const xml::QosPolicies& policies) {
  if (auto found = topics.find(topicName); found != topics.end()) {
    if (found->second->get_type_name() != typeName) {
      ThrowLogged("Topic " + topicName + " has type " + found->second->get_type_name() + ", not " + typeName);
    }
    return *found->second;
  }
  dds::TopicQos qos = dds::TOPIC_QOS_DEFAULT;
  ApplyTopicQos(policies, qos);
  dds::Topic* topic = participant->create_topic(topicName, typeName, qos);
  if (!topic) ThrowLogged("Fast DDS refused topic " + topicName + " of type " + typeName);
  topics.emplace(topicName, topic);
  return *topic;
}

std::shared_ptr<TopicReader> FastDdsParticipant::CreateReader(const std::string& subscriberName,
                                                              const std::string& topicName, const std::string& typeName,
                                                              xtypes::DynamicTypePtr type,
                                                              const xml::QosPolicies& policies) {
  std::lock_guard<std::mutex> guard(mutex);
  auto subscriber = subscribers.find(subscriberName);
  if (subscriber == subscribers.end()) ThrowLogged("No subscriber named " + subscriberName);
  RegisterType(typeName, type);
  dds::Topic& topic = EnsureTopic(topicName, typeName, {});
  // A topic created at run time is enabled with its reader.
  if (participant->is_enabled()) CheckReturnCode(topic.enable(), "Topic::enable of " + topicName);
  dds::DataReaderQos qos = dds::DATAREADER_QOS_DEFAULT;
  ApplyReaderQos(policies, qos);
  const std::string name = policies.entityName.value_or(topicName);
  if (readers.contains(name)) ThrowLogged("A DataReader named " + name + " exists already");
  auto reader = std::make_shared<FastDdsTopicReader>(name, types.at(typeName), *subscriber->second, topic, qos);
  readers.emplace(name, reader);
  return reader;
}

}  // namespace Quorvel::Transport
