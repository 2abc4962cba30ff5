#pragma once

// The engine's DDS participant: created from a participant definition of the QoS provider with
// every publisher, subscriber, topic, reader and writer it declares and the QoS of the profiles
// they reference. Nothing is enabled before Enable(). Destruction deletes every entity and the
// participant; stop the wait sets that run the readers' handlers first.
//
//   auto participant = Participant::Create(provider, "Participants::Monitor");
//   auto reader = participant->FindReader("Subscriber::TrackReader");
//   topics.Attach(reader->Condition(), handler);
//   participant->Enable();

#include "middleware/transport/SampleInfo.h"
#include "middleware/xml/QosPolicies.h"
#include "middleware/xtypes/DynamicType.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel::xml {
class QosProvider;
}

namespace Quorvel::Transport {

class PublicationDiscovery;
class TopicReader;
class TopicWriter;

class Participant {
public:
  // `domainId` overrides the definition's domain. Throws std::runtime_error naming what failed
  // (an unknown definition, type or topic, an entity Fast DDS refused).
  static std::unique_ptr<Participant> Create(const xml::QosProvider& provider, const std::string& qualifiedName,
                                             std::optional<std::int32_t> domainId = {});

  virtual ~Participant() = default;

  virtual std::int32_t DomainId() const = 0;
  virtual Guid ParticipantGuid() const = 0;

  // Enables the participant and every entity created so far.
  virtual void Enable() = 0;
  // The same, but readers stay disabled until their own Enable(): a reliable reader that is
  // matched but never taken from fills its history and stalls the remote writer.
  virtual void EnableExceptReaders() = 0;
  virtual bool Enabled() const = 0;

  // By qualified name ("Subscriber::TrackReader", "Publisher::TrackWriter"); null when absent.
  virtual std::shared_ptr<TopicReader> FindReader(const std::string& qualifiedName) const = 0;
  virtual std::shared_ptr<TopicWriter> FindWriter(const std::string& qualifiedName) const = 0;
  virtual std::vector<std::string> ReaderNames() const = 0;
  virtual std::vector<std::string> WriterNames() const = 0;
  virtual bool HasSubscriber(const std::string& name) const = 0;

  // A reader created at run time on subscriber `subscriberName` for a discovered topic, disabled
  // until its Enable(). Its name is the QoS entity name, else the topic name. Registers the
  // type and creates the topic unless the participant has them.
  virtual std::shared_ptr<TopicReader> CreateReader(const std::string& subscriberName, const std::string& topicName,
                                                    const std::string& typeName, xtypes::DynamicTypePtr type,
                                                    const xml::QosPolicies& qos) = 0;

  // Writers of other participants (this one's own are left out).
  virtual const std::shared_ptr<PublicationDiscovery>& Publications() const = 0;
};

}  // namespace Quorvel::Transport
