#pragma once

// The XML QoS provider: everything a set of DDS XML documents defines (type libraries, QoS
// libraries and profiles, domain and participant definitions), loaded once at construction
// and immutable afterwards, so lookups from any thread need no lock.
//
//   QosProvider provider({{"<dds><types>...</types></dds>"}, {"profiles/app.xml"}});
//   provider.type("", "Geo::Track");
//   provider.datareader_qos_w_topic_name("Tracks");          // default profile, per topic
//   provider.participant_definition("Participants::Monitor");

#include "middleware/xml/ParticipantDefinitions.h"
#include "middleware/xml/QosPolicies.h"
#include "middleware/xml/TypeLibrary.h"

#include <memory>
#include <string>
#include <vector>

namespace Quorvel::xml {

class QosProfileLibrary;
enum class QosEntityKind;

struct QosProviderParams {
    // Whole XML documents (<dds> or <types>) given as text; their relative includes resolve
    // against the working directory at construction.
    std::vector<std::string> string_profile;
    // Paths of XML documents; relative includes resolve against each document's directory.
    std::vector<std::string> url_profile;
};

class QosProvider {
public:
    // Name of the library made from the <types> elements of all documents.
    static constexpr const char* kAnonymousTypeLibrary = "";

    // Reads every document; throws std::runtime_error naming the file on any error (a type
    // error, a QoS profile defined twice, a base_name naming no profile, an inheritance cycle).
    explicit QosProvider(QosProviderParams params);
    ~QosProvider();
    QosProvider(QosProvider&&) noexcept;
    QosProvider& operator=(QosProvider&&) noexcept;

    const QosProviderParams& provider_params() const { return params_; }

    // Library names, the anonymous library first.
    std::vector<std::string> type_libraries() const;
    // Throws std::runtime_error when the library or the type is unknown.
    xtypes::DynamicTypePtr type(const std::string& library, const std::string& name) const;
    const TypeLibrary& types() const { return types_; }

    // QoS libraries and their profiles ("Library::Profile"); builtin profiles are not listed.
    std::vector<std::string> qos_profile_libraries() const;
    std::vector<std::string> qos_profiles() const;
    // The profile marked is_default_qos; empty when none is.
    std::string default_profile() const;
    bool is_default_qos(const std::string& profile) const;

    // The QoS of the default profile (nothing set when there is none); the _w_topic_name
    // forms prefer the QoS element whose topic_filter matches `topic`.
    QosPolicies datareader_qos() const;
    QosPolicies datawriter_qos() const;
    QosPolicies datareader_qos_w_topic_name(const std::string& topic) const;
    QosPolicies datawriter_qos_w_topic_name(const std::string& topic) const;
    // The QoS of one entity kind in a named profile (a builtin profile name too).
    QosPolicies qos(const std::string& profile, QosEntityKind kind, const std::string& topic = {}) const;

    // Domain and participant definitions by qualified name; null when unknown.
    const DomainDefinition* domain_definition(const std::string& qualifiedName) const;
    const ParticipantDefinition* participant_definition(const std::string& qualifiedName) const;
    std::vector<std::string> participant_definitions() const;

private:
    QosProviderParams params_;
    TypeLibrary types_;
    std::unique_ptr<QosProfileLibrary> profiles_;
    std::unique_ptr<ParticipantDefinitions> participants_;
};

}  // namespace Quorvel::xml
