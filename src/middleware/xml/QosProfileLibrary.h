#pragma once

// The QoS profiles of a set of DDS XML documents, with base_name inheritance: a profile's
// bases (its base_name attribute, then its <base_name><element> children, later bases
// overriding earlier ones), then the bases of the QoS element itself, then its own policies.
// Per-topic QoS elements (topic_filter, a glob) win over the element without a filter when a
// topic is named. Builtin profile names resolve to their presets.
//
// Filled once while the provider is built (ReadLibraries, then CheckReferences), read-only
// afterwards, so lookups from any thread need no lock.

#include "middleware/xml/QosPolicies.h"

#include <map>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace Quorvel::xml {

enum class QosEntityKind { PARTICIPANT, PUBLISHER, SUBSCRIBER, TOPIC, DATAREADER, DATAWRITER };

// One QoS element (<datareader_qos>, <participant_qos>, ...) as written.
struct QosElement {
    QosEntityKind kind = QosEntityKind::PARTICIPANT;
    std::string topicFilter;              // empty: applies to any topic
    std::vector<std::string> baseNames;   // as written: attribute first, then <base_name><element>s
    std::string library;                  // where names of bases without a library are looked up
    QosPolicies policies;
};

struct QosProfile {
    std::string qualifiedName;            // "Library::Profile"
    std::string library;
    std::vector<std::string> baseNames;   // as written, looked up in `library` first
    bool isDefault = false;
    std::vector<QosElement> elements;
    std::string origin;                   // the document that defines it
};

class QosProfileLibrary {
public:
    // The element name of each entity's QoS element ("datareader_qos", ...).
    static const char* ElementName(QosEntityKind kind);

    // Reads every <qos_library> under `dds`. A profile defined twice throws.
    void ReadLibraries(const pugi::xml_node& dds, const std::string& origin);
    // Reads one QoS element (a profile's, or an entity's in a participant definition);
    // names of bases are qualified against `library` where they name one of its profiles.
    QosElement ReadElement(const pugi::xml_node& node, QosEntityKind kind, const std::string& library,
                           const std::string& origin) const;
    // Every base names a known profile and no profile inherits from itself. Throws otherwise.
    void CheckReferences() const;

    bool Contains(const std::string& qualifiedName) const;
    const QosProfile* Find(const std::string& qualifiedName) const;
    std::vector<std::string> ProfileNames() const;
    std::vector<std::string> LibraryNames() const;
    // The profile marked is_default_qos (the last one read); empty when none is.
    const std::string& DefaultProfile() const { return defaultProfile_; }

    // The QoS of `kind` in `profile` (empty `profile`: the default profile, or nothing set
    // when there is none). With a non-empty `topic`, a QoS element whose topic_filter matches
    // it is preferred. Throws when the profile is unknown.
    QosPolicies Resolve(const std::string& profile, QosEntityKind kind, const std::string& topic) const;
    // The QoS that one element stands for: its bases, then its own policies.
    QosPolicies Resolve(const QosElement& element, const std::string& topic) const;

private:
    QosPolicies ResolveProfile(const std::string& profile, QosEntityKind kind, const std::string& topic,
                               std::vector<std::string>& path) const;
    QosPolicies ResolveElement(const QosElement& element, const std::string& topic,
                               std::vector<std::string>& path) const;
    // The qualified profile a base name refers to: "Library::Profile" of the same library
    // first, then the name as written (another library, or a builtin profile). Throws when
    // neither is known.
    std::string QualifyBase(const std::string& name, const std::string& library, const std::string& user) const;

    std::map<std::string, QosProfile> profiles_;
    std::vector<std::string> libraries_;
    std::string defaultProfile_;
};

}  // namespace Quorvel::xml
