#include "middleware/xml/QosProvider.h"

#include "common/Log.h"
#include "middleware/xml/QosProfileLibrary.h"
#include "middleware/xml/XmlTypeReader.h"

#include <pugixml.hpp>

#include <filesystem>

namespace Quorvel::xml {

namespace {

TypeLibrary ReadTypes(const QosProviderParams& params) {
    XmlTypeReader reader;
    const std::filesystem::path workingDirectory = std::filesystem::current_path();
    for (size_t i = 0; i < params.string_profile.size(); ++i)
        reader.ReadText(params.string_profile[i], workingDirectory,
                        "string_profile[" + std::to_string(i) + "]");
    for (const std::string& url : params.url_profile) reader.ReadFile(url);
    return reader.BuildLibrary();
}

struct ProfileDocument {
    pugi::xml_document document;
    std::string origin;
};

// The <dds> documents among the profiles; a <types> document holds no QoS. The type reader
// has read (and so checked) every one of them already.
std::vector<std::unique_ptr<ProfileDocument>> ReadProfileDocuments(const QosProviderParams& params) {
    std::vector<std::unique_ptr<ProfileDocument>> documents;
    const auto keep = [&](std::unique_ptr<ProfileDocument> document, const pugi::xml_parse_result& parsed) {
        if (!parsed) ThrowLogged("XML syntax error in " + document->origin + ": " + parsed.description());
        if (std::string_view(document->document.document_element().name()) == "dds")
            documents.push_back(std::move(document));
    };
    for (size_t i = 0; i < params.string_profile.size(); ++i) {
        auto document = std::make_unique<ProfileDocument>();
        document->origin = "string_profile[" + std::to_string(i) + "]";
        const auto parsed = document->document.load_string(params.string_profile[i].c_str());
        keep(std::move(document), parsed);
    }
    for (const std::string& url : params.url_profile) {
        auto document = std::make_unique<ProfileDocument>();
        document->origin = url;
        const auto parsed = document->document.load_file(url.c_str());
        keep(std::move(document), parsed);
    }
    return documents;
}

}  // namespace

QosProvider::QosProvider(QosProviderParams params)
    : params_(std::move(params)),
      types_(ReadTypes(params_)),
      profiles_(std::make_unique<QosProfileLibrary>()),
      participants_(std::make_unique<ParticipantDefinitions>()) {
    const auto documents = ReadProfileDocuments(params_);
    // All profiles first: a participant may use a profile of a document read after its own.
    for (const auto& document : documents)
        profiles_->ReadLibraries(document->document.document_element(), document->origin);
    profiles_->CheckReferences();
    for (const auto& document : documents)
        participants_->Read(document->document.document_element(), *profiles_, document->origin);
    VELTRANE_LOG(DEBUG, "QosProvider holds " + std::to_string(types_.size()) + " types and " +
                            std::to_string(profiles_->ProfileNames().size()) + " QoS profiles");
}

QosProvider::~QosProvider() = default;
QosProvider::QosProvider(QosProvider&&) noexcept = default;
QosProvider& QosProvider::operator=(QosProvider&&) noexcept = default;

std::vector<std::string> QosProvider::type_libraries() const { return {kAnonymousTypeLibrary}; }

xtypes::DynamicTypePtr QosProvider::type(const std::string& library, const std::string& name) const {
    if (library != kAnonymousTypeLibrary) ThrowLogged("Unknown type library '" + library + "'");
    xtypes::DynamicTypePtr found = types_.Find(name);
    if (!found) ThrowLogged("Unknown type '" + name + "': no type library defines it");
    return found;
}

std::vector<std::string> QosProvider::qos_profile_libraries() const { return profiles_->LibraryNames(); }

std::vector<std::string> QosProvider::qos_profiles() const { return profiles_->ProfileNames(); }

std::string QosProvider::default_profile() const { return profiles_->DefaultProfile(); }

bool QosProvider::is_default_qos(const std::string& profile) const {
    return !profile.empty() && profile == profiles_->DefaultProfile();
}

QosPolicies QosProvider::datareader_qos() const { return qos({}, QosEntityKind::DATAREADER); }

QosPolicies QosProvider::datawriter_qos() const { return qos({}, QosEntityKind::DATAWRITER); }

QosPolicies QosProvider::datareader_qos_w_topic_name(const std::string& topic) const {
    return qos({}, QosEntityKind::DATAREADER, topic);
}

QosPolicies QosProvider::datawriter_qos_w_topic_name(const std::string& topic) const {
    return qos({}, QosEntityKind::DATAWRITER, topic);
}

QosPolicies QosProvider::qos(const std::string& profile, QosEntityKind kind, const std::string& topic) const {
    return profiles_->Resolve(profile, kind, topic);
}

const DomainDefinition* QosProvider::domain_definition(const std::string& qualifiedName) const {
    return participants_->Domain(qualifiedName);
}

const ParticipantDefinition* QosProvider::participant_definition(const std::string& qualifiedName) const {
    return participants_->Participant(qualifiedName);
}

std::vector<std::string> QosProvider::participant_definitions() const { return participants_->ParticipantNames(); }

}  // namespace Quorvel::xml
