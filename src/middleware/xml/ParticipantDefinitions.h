#pragma once

// Domain and participant definitions of DDS XML profile documents (<domain_library>,
// <domain_participant_library>), kept for the layer that creates DDS entities from them.
// Every QoS element is resolved against the QoS profiles when read, so each entity carries
// its final policy values; an entity without a QoS element takes the default profile's QoS
// (for readers, writers and topics: the one for its topic).

#include "middleware/xml/QosPolicies.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace Quorvel::xml {

class QosProfileLibrary;

struct RegisteredTypeDefinition {
    std::string name;     // the name topics refer to
    std::string typeRef;  // the type definition
    std::string kind;     // "dynamicData" (default) or "userGenerated"
};

struct TopicDefinition {
    std::string name;
    std::string registerTypeRef;
    QosPolicies qos;
};

struct DomainDefinition {
    std::string qualifiedName;  // "DomainLibrary::Domain"
    std::optional<std::int32_t> domainId;
    std::vector<RegisteredTypeDefinition> registeredTypes;
    std::vector<TopicDefinition> topics;
};

struct EndpointDefinition {
    std::string name;
    std::string qualifiedName;  // "Publisher::Writer", "Subscriber::Reader"
    std::string topicRef;
    QosPolicies qos;
};

struct EndpointGroupDefinition {  // a publisher with its writers, or a subscriber with its readers
    std::string name;
    QosPolicies qos;
    std::vector<EndpointDefinition> endpoints;
};

struct ParticipantDefinition {
    std::string qualifiedName;  // "ParticipantLibrary::Participant"
    std::string domainRef;      // "DomainLibrary::Domain"
    std::optional<std::int32_t> domainId;  // the participant's own, else the domain's
    QosPolicies qos;
    std::vector<EndpointGroupDefinition> publishers;
    std::vector<EndpointGroupDefinition> subscribers;
};

class ParticipantDefinitions {
public:
    // Reads the domain and participant libraries under `dds`; QoS is resolved with `profiles`,
    // which must hold every profile already. A definition given twice throws.
    void Read(const pugi::xml_node& dds, const QosProfileLibrary& profiles, const std::string& origin);

    const DomainDefinition* Domain(const std::string& qualifiedName) const;
    const ParticipantDefinition* Participant(const std::string& qualifiedName) const;
    std::vector<std::string> DomainNames() const;
    std::vector<std::string> ParticipantNames() const;

private:
    void ReadDomain(const pugi::xml_node& node, const std::string& library, const QosProfileLibrary& profiles,
                    const std::string& origin);
    void ReadParticipant(const pugi::xml_node& node, const std::string& library, const QosProfileLibrary& profiles,
                         const std::string& origin);

    std::map<std::string, DomainDefinition> domains_;
    std::map<std::string, ParticipantDefinition> participants_;
};

}  // namespace Quorvel::xml
