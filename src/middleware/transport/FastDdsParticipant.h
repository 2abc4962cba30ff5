#pragma once

// Participant on a Fast DDS domain participant. Owns the Fast DDS entities through their
// adapters and deletes them in order: readers and writers, then topics, publishers and
// subscribers, then the participant. The entity maps are guarded by one mutex because run-time
// readers are created on a wait-set thread while others look readers up. Private to the
// transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/transport/Participant.h"

#include <fastdds/dds/domain/DomainParticipant.hpp>

#include <map>
#include <memory>
#include <mutex>

namespace Quorvel::xml {
struct DomainDefinition;
struct EndpointGroupDefinition;
struct ParticipantDefinition;
}

namespace Quorvel::Transport {

class DiscoveryListener;
class FastDdsTopicReader;
class FastDdsTopicWriter;
class KeyHasher;

class FastDdsParticipant final : public Participant {
public:
  FastDdsParticipant(const xml::QosProvider& provider, const xml::ParticipantDefinition& definition,
                     const xml::DomainDefinition& domain, std::int32_t domainId);
  ~FastDdsParticipant() override;

  std::int32_t DomainId() const override { return domainId; }
  Guid ParticipantGuid() const override;
  void Enable() override;
  void EnableExceptReaders() override;
  bool Enabled() const override;
  std::shared_ptr<TopicReader> FindReader(const std::string& qualifiedName) const override;
  std::shared_ptr<TopicWriter> FindWriter(const std::string& qualifiedName) const override;
  std::vector<std::string> ReaderNames() const override;
  std::vector<std::string> WriterNames() const override;
  bool HasSubscriber(const std::string& name) const override;
  std::shared_ptr<TopicReader> CreateReader(const std::string& subscriberName, const std::string& topicName,
                                            const std::string& typeName, xtypes::DynamicTypePtr type,
                                            const xml::QosPolicies& qos) override;
  const std::shared_ptr<PublicationDiscovery>& Publications() const override { return publications; }

private:
  // Callers hold the mutex.
  void EnableEntities(bool withReaders);
  void CreatePublishers(const xml::QosProvider& provider, const xml::ParticipantDefinition& definition,
                        const xml::DomainDefinition& domain);
  void CreateSubscribers(const xml::QosProvider& provider, const xml::ParticipantDefinition& definition,
                         const xml::DomainDefinition& domain);
  // The registered type and the topic of a topic of the domain, created once.
  eprosima::fastdds::dds::Topic& DomainTopic(const xml::QosProvider& provider, const xml::DomainDefinition& domain,
                                             const std::string& topicName);
  void RegisterType(const std::string& typeName, const xtypes::DynamicTypePtr& type);
  eprosima::fastdds::dds::Topic& EnsureTopic(const std::string& topicName, const std::string& typeName,
                                             const xml::QosPolicies& qos);
  void TearDown();

  std::int32_t domainId;
  std::shared_ptr<PublicationDiscovery> publications;
  std::unique_ptr<DiscoveryListener> listener;
  eprosima::fastdds::dds::DomainParticipant* participant = nullptr;

  mutable std::mutex mutex;
  std::map<std::string, xtypes::DynamicTypePtr> types;  // registered type name -> our type
  std::map<std::string, std::shared_ptr<KeyHasher>> hashers;  // keyed registered types only
  std::map<std::string, eprosima::fastdds::dds::Topic*> topics;
  std::map<std::string, eprosima::fastdds::dds::Publisher*> publishers;
  std::map<std::string, eprosima::fastdds::dds::Subscriber*> subscribers;
  std::map<std::string, std::shared_ptr<FastDdsTopicReader>> readers;
  std::map<std::string, std::shared_ptr<FastDdsTopicWriter>> writers;
};

}  // namespace Quorvel::Transport
