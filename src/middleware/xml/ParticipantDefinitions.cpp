#include "middleware/xml/ParticipantDefinitions.h"

#include "common/Log.h"
#include "middleware/xml/QosProfileLibrary.h"

#include <pugixml.hpp>

#include <charconv>

namespace Quorvel::xml {

namespace {

std::optional<std::int32_t> DomainId(const pugi::xml_node& node, const std::string& origin) {
    const pugi::xml_attribute attribute = node.attribute("domain_id");
    if (!attribute) return std::nullopt;
    const std::string text = attribute.value();
    std::int32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id < 0)
        ThrowLogged("domain_id '" + text + "' of <" + node.name() + " name=\"" + node.attribute("name").value() +
                    "\"> is not a domain id (in " + origin + ")");
    return id;
}

// The QoS an entity gets: its QoS element resolved, or the default profile's QoS of its kind.
QosPolicies EntityQos(const pugi::xml_node& entity, QosEntityKind kind, const std::string& topic,
                      const QosProfileLibrary& profiles, const std::string& origin) {
    const pugi::xml_node element = entity.child(QosProfileLibrary::ElementName(kind));
    if (!element) return profiles.Resolve({}, kind, topic);
    return profiles.Resolve(profiles.ReadElement(element, kind, {}, origin), topic);
}

std::string Named(const pugi::xml_node& node, const std::string& origin) {
    std::string name = node.attribute("name").value();
    if (name.empty()) ThrowLogged("A <" + std::string(node.name()) + "> without a name in " + origin);
    return name;
}

template <typename Definition>
void Insert(std::map<std::string, Definition>& into, Definition definition, const std::string& origin) {
    const std::string name = definition.qualifiedName;
    if (!into.emplace(name, std::move(definition)).second)
        ThrowLogged("Definition " + name + " of " + origin + " is given twice");
}

EndpointGroupDefinition ReadGroup(const pugi::xml_node& group, QosEntityKind groupKind, const char* endpointElement,
                                  QosEntityKind endpointKind, const QosProfileLibrary& profiles,
                                  const std::string& origin) {
    EndpointGroupDefinition definition;
    definition.name = Named(group, origin);
    definition.qos = EntityQos(group, groupKind, {}, profiles, origin);
    for (const pugi::xml_node& node : group.children(endpointElement)) {
        EndpointDefinition endpoint;
        endpoint.name = Named(node, origin);
        endpoint.qualifiedName = definition.name + "::" + endpoint.name;
        endpoint.topicRef = node.attribute("topic_ref").value();
        endpoint.qos = EntityQos(node, endpointKind, endpoint.topicRef, profiles, origin);
        definition.endpoints.push_back(std::move(endpoint));
    }
    return definition;
}

}  // namespace

void ParticipantDefinitions::Read(const pugi::xml_node& dds, const QosProfileLibrary& profiles,
                                  const std::string& origin) {
    for (const pugi::xml_node& library : dds.children("domain_library")) {
        const std::string name = Named(library, origin);
        for (const pugi::xml_node& domain : library.children("domain")) ReadDomain(domain, name, profiles, origin);
    }
    for (const pugi::xml_node& library : dds.children("domain_participant_library")) {
        const std::string name = Named(library, origin);
        for (const pugi::xml_node& participant : library.children("domain_participant"))
            ReadParticipant(participant, name, profiles, origin);
    }
}

void ParticipantDefinitions::ReadDomain(const pugi::xml_node& node, const std::string& library,
                                        const QosProfileLibrary& profiles, const std::string& origin) {
    DomainDefinition domain;
    domain.qualifiedName = library + "::" + Named(node, origin);
    domain.domainId = DomainId(node, origin);
    for (const pugi::xml_node& type : node.children("register_type")) {
        std::string kind = type.attribute("kind").value();
        domain.registeredTypes.push_back(
            {type.attribute("name").value(), type.attribute("type_ref").value(), kind.empty() ? "dynamicData" : kind});
    }
    for (const pugi::xml_node& topic : node.children("topic")) {
        TopicDefinition definition;
        definition.name = Named(topic, origin);
        definition.registerTypeRef = topic.attribute("register_type_ref").value();
        definition.qos = EntityQos(topic, QosEntityKind::TOPIC, definition.name, profiles, origin);
        domain.topics.push_back(std::move(definition));
    }
    Insert(domains_, std::move(domain), origin);
}

void ParticipantDefinitions::ReadParticipant(const pugi::xml_node& node, const std::string& library,
                                             const QosProfileLibrary& profiles, const std::string& origin) {
    ParticipantDefinition participant;
    participant.qualifiedName = library + "::" + Named(node, origin);
    participant.domainRef = node.attribute("domain_ref").value();
    participant.domainId = DomainId(node, origin);
    if (const DomainDefinition* domain = Domain(participant.domainRef); domain && !participant.domainId)
        participant.domainId = domain->domainId;
    participant.qos = EntityQos(node, QosEntityKind::PARTICIPANT, {}, profiles, origin);
    for (const pugi::xml_node& publisher : node.children("publisher"))
        participant.publishers.push_back(ReadGroup(publisher, QosEntityKind::PUBLISHER, "data_writer",
                                                   QosEntityKind::DATAWRITER, profiles, origin));
    for (const pugi::xml_node& subscriber : node.children("subscriber"))
        participant.subscribers.push_back(ReadGroup(subscriber, QosEntityKind::SUBSCRIBER, "data_reader",
                                                    QosEntityKind::DATAREADER, profiles, origin));
    Insert(participants_, std::move(participant), origin);
}

const DomainDefinition* ParticipantDefinitions::Domain(const std::string& qualifiedName) const {
    const auto it = domains_.find(qualifiedName);
    return it == domains_.end() ? nullptr : &it->second;
}

const ParticipantDefinition* ParticipantDefinitions::Participant(const std::string& qualifiedName) const {
    const auto it = participants_.find(qualifiedName);
    if (it == participants_.end()) return nullptr;
    return &it->second;
}

std::vector<std::string> ParticipantDefinitions::DomainNames() const {
    std::vector<std::string> names;
    for (const auto& entry : domains_) names.push_back(entry.first);
    return names;
}

std::vector<std::string> ParticipantDefinitions::ParticipantNames() const {
    std::vector<std::string> names;
    for (const auto& entry : participants_) names.push_back(entry.first);
    return names;
}

}  // namespace Quorvel::xml
