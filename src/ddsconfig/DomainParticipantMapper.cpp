#include "ddsconfig/DomainParticipantMapper.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "ddsconfig/PugiXMLUtils.h"
#include "ddsconfig/QosDefinitionChecks.h"

#include <pugixml.hpp>

#include <set>

namespace Quorvel::ddsconfig {

namespace {

constexpr const char* kCheckFiles = "Make sure DDS configuration files are defined correctly";

// "a::b" into exactly two non-empty parts.
bool SplitQualified(const std::string& text, std::string& first, std::string& second) {
  const auto separator = text.find("::");
  if (separator == std::string::npos || text.find("::", separator + 2) != std::string::npos) return false;
  first = text.substr(0, separator);
  second = text.substr(separator + 2);
  return !first.empty() && !second.empty();
}

// The words one endpoint kind uses in its messages.
struct EndpointKind {
  const char* group;          // "subscriber"
  const char* endpoint;       // "data_reader"
  const char* qos;            // "datareader_qos"
  const char* nullName;       // "DataReader"
  const char* shortName;      // "reader"
  const char* duplicateTag;   // "DR"
};

constexpr EndpointKind kReaders{"subscriber", "data_reader", "datareader_qos", "DataReader", "reader", "DR"};
constexpr EndpointKind kWriters{"publisher", "data_writer", "datawriter_qos", "Datawriter", "writer", "DW"};

// A QoS element's base_name attribute must name a known profile; then its base_name children.
void CheckQosReference(const pugi::xml_node& qos, const std::set<std::string>& known,
                       const std::string& unknownPrefix, const std::string& unknownSuffix) {
  if (!qos) return;
  const std::string base = qos.attribute("base_name").value();
  if (!base.empty() && known.count(base) == 0) ThrowLogged(unknownPrefix + base + unknownSuffix);
  ValidateBaseNameQoS(qos, known);
}

class EndpointMapper {
 public:
  EndpointMapper(DomainInfo& info, const EngineDDSConfig& config) : info(info), known(config.KnownQosProfiles()) {}

  void MapGroup(const pugi::xml_node& group, const EndpointKind& kind, std::set<std::string>& seenGroups) {
    const std::string groupName = group.attribute("name").value();
    if (groupName.empty()) {
      ThrowLogged("Found a null " + std::string(kind.group) + " name. " + kCheckFiles);
    }
    if (!seenGroups.insert(groupName).second) {
      ThrowLogged("Duplicate " + std::string(kind.group) + " definitions were found for - '" + groupName + "'");
    }
    CheckQosReference(group.child((std::string(kind.group) + "_qos").c_str()), known,
                      "Cannot find " + std::string(kind.group) + " base_name qos profile - '", "'");
    for (const pugi::xml_node& endpoint : group.children(kind.endpoint)) MapEndpoint(endpoint, groupName, kind);
  }

 private:
  void MapEndpoint(const pugi::xml_node& node, const std::string& groupName, const EndpointKind& kind) {
    const std::string name = node.attribute("name").value();
    if (name.empty()) ThrowLogged("Found a " + std::string(kind.nullName) + " with null name. " + kCheckFiles);
    const std::string topic = node.attribute("topic_ref").value();
    if (topic.empty()) {
      ThrowLogged("Found a " + std::string(kind.nullName) + " " + name + " with null topic." + kCheckFiles);
    }
    const auto type = info.topics.find(topic);
    if (type == info.topics.end()) {
      // The writer case shares the reader's wording.
      ThrowLogged("Can't find a matching TopicName - " + topic + " to DataReader - " + name + " ." + kCheckFiles);
    }
    CheckQosReference(node.child(kind.qos), known, "Cannot find base qos profile - '",
                      "' for " + std::string(kind.shortName) + " - '" + name);

    EndpointInfo record;
    record.name = name;
    record.parentName = groupName;
    record.qualifiedName = groupName + "::" + name;
    record.topicName = topic;
    record.typeName = type->second;
    const bool inserted = kind.endpoint == kReaders.endpoint
                              ? info.readers.emplace(name, ReaderInfo{record}).second
                              : info.writers.emplace(name, WriterInfo{record}).second;
    if (!inserted) {
      ThrowLogged("Duplicate endpoint definitions were found for " + std::string(kind.duplicateTag) + " - " + name);
    }
    ++mapped;
    LogDebug("Mapped " + std::string(kind.shortName) + " #" + std::to_string(mapped) + " - " + name +
             " to Topic name - " + topic + " with Type definition - " + type->second);
  }

  DomainInfo& info;
  const std::set<std::string>& known;
  std::size_t mapped = 0;
};

// Without a participant: the first domain of the first domain library.
void MapFirstDomain(const pugi::xml_document& document, DomainInfo& info, const EngineDDSConfig& config) {
  const pugi::xml_node library = document.child("dds").child("domain_library");
  info.domainLibraryName = library.attribute("name").value();
  info.domainName = library.child("domain").attribute("name").value();
  MapDDSDomainConfiguration(document, info, config);
}

}  // namespace

std::shared_ptr<DomainInfo> MapDDSDomainParticipantConfiguration(const std::filesystem::path& file,
                                                                 const EngineDDSConfig& config,
                                                                 const std::string& participantName,
                                                                 EndpointMapping endpoints) {
  LogInfo("Parsing DDS_participant_config file : " + file.string());
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(file.c_str());
  if (!parsed) {
    LogError("Error parsing  " + file.string() + ". Error " + parsed.description() + " " +
             std::to_string(static_cast<int>(parsed.status)));
    throw std::runtime_error("");
  }
  auto info = std::make_shared<DomainInfo>();
  info->sourceFile = file.string();
  const pugi::xml_node dds = document.child("dds");

  std::string library;
  std::string participant;
  if (!participantName.empty()) {
    if (!SplitQualified(participantName, library, participant)) {
      ThrowLogged(
          "domainParticipantName is not in the correct format. Should be "
          "domain_participant_library::domain_participant");
    }
  } else {
    const pugi::xml_node firstLibrary = dds.child("domain_participant_library");
    if (!firstLibrary) {
      LogInfo(
          "No domain_participant_library was found in file. Skip domain_participant parsing. Parsing only the "
          "the first domain_library::Domain");
      MapFirstDomain(document, *info, config);
      return info;
    }
    library = firstLibrary.attribute("name").value();
    const pugi::xml_node firstParticipant = firstLibrary.child("domain_participant");
    if (!firstParticipant) {
      LogInfo("No domain_participant was found in file. Skip domain_participant parsing");
      MapFirstDomain(document, *info, config);
      return info;
    }
    participant = firstParticipant.attribute("name").value();
  }

  const pugi::xml_node libraryNode =
      PugiXMLUtils::find_child_by_name_and_attribute(dds, "domain_participant_library", "name", library.c_str());
  if (!libraryNode) ThrowLogged("Cannot find participantLibraryNode in provided dds files : " + file.string());
  const pugi::xml_node participantNode = PugiXMLUtils::find_child_by_name_and_attribute(
      libraryNode, "domain_participant", "name", participant.c_str());
  if (!participantNode) ThrowLogged("Cannot find participant in provided dds files : " + file.string());

  const pugi::xml_attribute domainRef = participantNode.attribute("domain_ref");
  if (!domainRef) {
    ThrowLogged("No domain_ref attribute defined for the participant in provided dds files : " + file.string());
  }
  if (!SplitQualified(domainRef.value(), info->domainLibraryName, info->domainName)) {
    ThrowLogged("domain is not in the correct format. Should be domain_library::domain");
  }
  info->participantLibraryName = library;
  info->participantName = participant;
  MapDDSDomainConfiguration(document, *info, config);
  if (endpoints == EndpointMapping::MAP) MapDDSEndpoints(*info, participantNode, config);
  return info;
}

void MapDDSDomainConfiguration(const pugi::xml_document& document, DomainInfo& info,
                               const EngineDDSConfig& config) {
  const pugi::xml_node dds = document.child("dds");
  const pugi::xml_node library = PugiXMLUtils::find_child_by_name_and_attribute(
      dds, "domain_library", "name", info.domainLibraryName.c_str());
  if (!library) ThrowLogged("Cannot find domainLibraryNode in provided dds files : " + info.sourceFile);
  const pugi::xml_node domain =
      PugiXMLUtils::find_child_by_name_and_attribute(library, "domain", "name", info.domainName.c_str());
  if (!domain) ThrowLogged("Cannot find domainNode in provided dds files : " + info.sourceFile);
  try {
    MapTypeNameToTypeDef(info, domain, config);
    MapTopicNameToTypeDef(info, domain, config);
  } catch (const std::exception& e) {
    ThrowLogged(std::string("MapDDSDomainConfiguration Error ") + e.what());
  }
}

void MapTypeNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, const EngineDDSConfig& config) {
  for (const pugi::xml_node& registered : domain.children("register_type")) {
    const std::string name = registered.attribute("name").value();
    if (name.empty()) ThrowLogged("Found a null typeName in loaded DDS participant xml");
    if (std::string_view(registered.attribute("kind").value()) == "userGenerated") {
      LogDebug("Mapped a legacy compiled-type typeName: " + name);
    } else {
      LogDebug("Mapped dynamic-type style typeName: " + name);
    }
    std::string typeRef = registered.attribute("type_ref").value();
    if (typeRef.empty()) ThrowLogged("Can't find a type definition for typeName " + name);
    if (typeRef.rfind("::", 0) == 0) typeRef.erase(0, 2);
    if (!config.Metadata().IsKnownType(typeRef)) ThrowLogged("Can't find a type in loaded type files: " + typeRef);
    if (!info.registeredTypes.emplace(name, typeRef).second) {
      LogWarning("Duplicate typeName-typeDef pair was found");
      continue;
    }
    LogDebug("Mapped typeName - " + name + " To typeDefinition - " + typeRef);
  }
}

void MapTopicNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, const EngineDDSConfig&) {
  for (const pugi::xml_node& topic : domain.children("topic")) {
    const std::string name = topic.attribute("name").value();
    if (name.empty()) ThrowLogged("Found a null topicName in loaded DDS participant xml");
    const std::string ref = topic.attribute("register_type_ref").value();
    if (ref.empty()) {
      ThrowLogged("Found a with typeRefName with Null name. " + std::string(kCheckFiles));
    }
    const auto registered = info.registeredTypes.find(ref);
    if (registered == info.registeredTypes.end()) {
      ThrowLogged("Can't find a matching TypeName to TypeRefName - " + ref +
                  ". Need to add to xml a tag <register_type name=" + ref + " type_ref=" + ref + "/>");
    }
    if (!info.topics.emplace(name, registered->second).second) {
      LogWarning("Duplicate typeName were found");
      continue;
    }
    LogDebug("Mapped topicName - " + name + " To typeDefinition - " + registered->second);
  }
}

void MapDDSEndpoints(DomainInfo& info, const pugi::xml_node& participant, const EngineDDSConfig& config) {
  EndpointMapper mapper(info, config);
  std::set<std::string> subscribers;
  std::set<std::string> publishers;
  for (const pugi::xml_node& child : participant.children()) {
    const std::string_view element = child.name();
    if (element == "participant_qos") {
      CheckQosReference(child, config.KnownQosProfiles(), "Cannot find participant base_name qos profile - '", "'");
    } else if (element == "subscriber") {
      mapper.MapGroup(child, kReaders, subscribers);
    } else if (element == "publisher") {
      mapper.MapGroup(child, kWriters, publishers);
    }
  }
}

}  // namespace Quorvel::ddsconfig
