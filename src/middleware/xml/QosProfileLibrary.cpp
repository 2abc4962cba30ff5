#include "middleware/xml/QosProfileLibrary.h"

#include "common/Log.h"
#include "middleware/xml/BuiltinQosProfiles.h"
#include "middleware/xml/QosPolicyReader.h"

#include <pugixml.hpp>

#include <fnmatch.h>

#include <algorithm>

namespace Quorvel::xml {

namespace {

constexpr std::pair<QosEntityKind, const char*> kElementNames[] = {
    {QosEntityKind::PARTICIPANT, "participant_qos"}, {QosEntityKind::PUBLISHER, "publisher_qos"},
    {QosEntityKind::SUBSCRIBER, "subscriber_qos"},   {QosEntityKind::TOPIC, "topic_qos"},
    {QosEntityKind::DATAREADER, "datareader_qos"},   {QosEntityKind::DATAWRITER, "datawriter_qos"}};

bool IsTrue(const pugi::xml_attribute& attribute) {
    const std::string value = attribute.value();
    return value == "true" || value == "1" || value == "TRUE" || value == "True";
}

// base_name="A" and <base_name><element>A</element>...</base_name>, in that order.
std::vector<std::string> BaseNamesAsWritten(const pugi::xml_node& node) {
    std::vector<std::string> names;
    if (const std::string attribute = node.attribute("base_name").value(); !attribute.empty())
        names.push_back(attribute);
    for (const pugi::xml_node& bases : node.children("base_name"))
        for (const pugi::xml_node& element : bases.children("element"))
            if (const std::string name = element.text().get(); !name.empty()) names.push_back(name);
    return names;
}

// The element that serves `topic`: the first whose filter matches it, else the first without
// a filter. Without a topic only an element without a filter serves.
const QosElement* ElementFor(const QosProfile& profile, QosEntityKind kind, const std::string& topic) {
    const QosElement* unfiltered = nullptr;
    for (const QosElement& element : profile.elements) {
        if (element.kind != kind) continue;
        if (element.topicFilter.empty()) {
            if (unfiltered == nullptr) unfiltered = &element;
        } else if (!topic.empty() && fnmatch(element.topicFilter.c_str(), topic.c_str(), 0) == 0) {
            return &element;
        }
    }
    return unfiltered;
}

}  // namespace

const char* QosProfileLibrary::ElementName(QosEntityKind kind) {
    for (const auto& [entity, name] : kElementNames)
        if (entity == kind) return name;
    return "";
}

void QosProfileLibrary::ReadLibraries(const pugi::xml_node& dds, const std::string& origin) {
    for (const pugi::xml_node& library : dds.children("qos_library")) {
        const std::string libraryName = library.attribute("name").value();
        if (libraryName.empty()) ThrowLogged("A <qos_library> without a name in " + origin);
        if (std::find(libraries_.begin(), libraries_.end(), libraryName) == libraries_.end())
            libraries_.push_back(libraryName);
        for (const pugi::xml_node& node : library.children("qos_profile")) {
            QosProfile profile;
            profile.library = libraryName;
            profile.qualifiedName = libraryName + "::" + node.attribute("name").value();
            profile.origin = origin;
            if (std::string(node.attribute("name").value()).empty())
                ThrowLogged("A <qos_profile> without a name in library " + libraryName + " of " + origin);
            if (Contains(profile.qualifiedName))
                ThrowLogged("QoS profile " + profile.qualifiedName + " of " + origin + " is defined twice");
            profile.baseNames = BaseNamesAsWritten(node);
            profile.isDefault = IsTrue(node.attribute("is_default_qos"));
            for (const auto& [kind, elementName] : kElementNames)
                for (const pugi::xml_node& element : node.children(elementName))
                    profile.elements.push_back(ReadElement(element, kind, libraryName, origin));
            if (profile.isDefault) {
                if (!defaultProfile_.empty())
                    LogWarning("QoS profile " + profile.qualifiedName + " replaces " + defaultProfile_ +
                               " as the default profile");
                defaultProfile_ = profile.qualifiedName;
            }
            profiles_.emplace(profile.qualifiedName, std::move(profile));
        }
    }
}

QosElement QosProfileLibrary::ReadElement(const pugi::xml_node& node, QosEntityKind kind,
                                          const std::string& library, const std::string& origin) const {
    QosElement element;
    element.kind = kind;
    element.topicFilter = node.attribute("topic_filter").value();
    element.baseNames = BaseNamesAsWritten(node);
    element.library = library;
    element.policies = ReadQosPolicies(node, origin);
    return element;
}

bool QosProfileLibrary::Contains(const std::string& qualifiedName) const {
    return profiles_.count(qualifiedName) != 0 || BuiltinQosPreset(qualifiedName).has_value();
}

const QosProfile* QosProfileLibrary::Find(const std::string& qualifiedName) const {
    const auto it = profiles_.find(qualifiedName);
    return it == profiles_.end() ? nullptr : &it->second;
}

std::vector<std::string> QosProfileLibrary::ProfileNames() const {
    std::vector<std::string> names;
    for (const auto& entry : profiles_) names.push_back(entry.first);
    return names;
}

std::vector<std::string> QosProfileLibrary::LibraryNames() const { return libraries_; }

std::string QosProfileLibrary::QualifyBase(const std::string& name, const std::string& library,
                                           const std::string& user) const {
    if (!library.empty() && profiles_.count(library + "::" + name) != 0) return library + "::" + name;
    if (Contains(name)) return name;
    ThrowLogged("Cannot find base_name '" + name + "' of " + user);
}

void QosProfileLibrary::CheckReferences() const {
    for (const auto& [name, profile] : profiles_) {
        for (const QosEntityKind kind : {QosEntityKind::PARTICIPANT, QosEntityKind::PUBLISHER,
                                         QosEntityKind::SUBSCRIBER, QosEntityKind::TOPIC,
                                         QosEntityKind::DATAREADER, QosEntityKind::DATAWRITER}) {
            std::vector<std::string> path;
            ResolveProfile(name, kind, {}, path);
            for (const QosElement& element : profile.elements) {
                if (element.kind != kind) continue;
                std::vector<std::string> elementPath{name};
                ResolveElement(element, element.topicFilter, elementPath);
            }
        }
    }
}

QosPolicies QosProfileLibrary::Resolve(const std::string& profile, QosEntityKind kind,
                                       const std::string& topic) const {
    const std::string& name = profile.empty() ? defaultProfile_ : profile;
    if (name.empty()) return {};
    std::vector<std::string> path;
    return ResolveProfile(name, kind, topic, path);
}

QosPolicies QosProfileLibrary::Resolve(const QosElement& element, const std::string& topic) const {
    std::vector<std::string> path;
    return ResolveElement(element, topic, path);
}

QosPolicies QosProfileLibrary::ResolveProfile(const std::string& name, QosEntityKind kind,
                                              const std::string& topic, std::vector<std::string>& path) const {
    if (std::optional<QosPolicies> preset = BuiltinQosPreset(name)) return *preset;
    const QosProfile* profile = Find(name);
    if (profile == nullptr) ThrowLogged("Unknown QoS profile '" + name + "'");
    if (std::find(path.begin(), path.end(), name) != path.end()) {
        std::string chain;
        for (const std::string& step : path) chain += step + " -> ";
        ThrowLogged("QoS profile " + name + " inherits from itself: " + chain + name);
    }
    path.push_back(name);
    QosPolicies qos;
    for (const std::string& base : profile->baseNames)
        qos.OverrideWith(ResolveProfile(QualifyBase(base, profile->library, "QoS profile " + name), kind,
                                        topic, path));
    if (const QosElement* element = ElementFor(*profile, kind, topic))
        qos.OverrideWith(ResolveElement(*element, topic, path));
    path.pop_back();
    return qos;
}

QosPolicies QosProfileLibrary::ResolveElement(const QosElement& element, const std::string& topic,
                                              std::vector<std::string>& path) const {
    QosPolicies qos;
    const std::string user = "<" + std::string(ElementName(element.kind)) + ">" +
                             (path.empty() ? std::string() : " of QoS profile " + path.back());
    for (const std::string& base : element.baseNames)
        qos.OverrideWith(ResolveProfile(QualifyBase(base, element.library, user), element.kind, topic, path));
    qos.OverrideWith(element.policies);
    return qos;
}

}  // namespace Quorvel::xml
