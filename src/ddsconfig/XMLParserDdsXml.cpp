// The DDS XML half of XMLParser: each operation is the ddsconfig function of the same name.

#include "ddsconfig/XMLParser.h"

#include "ddsconfig/DDSXmlValidator.h"
#include "ddsconfig/DomainParticipantMapper.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "ddsconfig/QosDefinitionChecks.h"
#include "ddsconfig/RangeValidity.h"
#include "ddsconfig/TypeFilesInfo.h"
#include "middleware/xml/XmlTypeNames.h"

namespace Quorvel {

ddsconfig::XmlValidationResult XMLParser::ValidateDDSXml(const std::filesystem::path& file, DDSFileType kind) {
  return ddsconfig::ValidateDDSXml(file, kind);
}

void XMLParser::ExtractTypeFilesInfo(const std::pair<std::filesystem::path, std::filesystem::path>& fileAndBaseDir,
                                     EngineDDSConfig* config) {
  ddsconfig::ExtractTypeFilesInfo(fileAndBaseDir, config->Metadata());
}

void XMLParser::ValidateQoSDefinition(const pugi::xml_node& dds, EngineDDSConfig* config) {
  ddsconfig::ValidateQoSDefinition(dds, config->KnownQosProfiles());
}

void XMLParser::ValidateBaseNameQoS(const pugi::xml_node& qosNode, EngineDDSConfig* config) {
  ddsconfig::ValidateBaseNameQoS(qosNode, config->KnownQosProfiles());
}

std::shared_ptr<DomainInfo> XMLParser::MapDDSDomainParticipantConfiguration(const std::filesystem::path& file,
                                                                            EngineDDSConfig* config,
                                                                            const std::string& participantName) {
  return ddsconfig::MapDDSDomainParticipantConfiguration(file, *config, participantName);
}

void XMLParser::MapDDSDomainConfiguration(const pugi::xml_document& document, DomainInfo& info,
                                          EngineDDSConfig* config) {
  ddsconfig::MapDDSDomainConfiguration(document, info, *config);
}

void XMLParser::MapTypeNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, EngineDDSConfig* config) {
  ddsconfig::MapTypeNameToTypeDef(info, domain, *config);
}

void XMLParser::MapTopicNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, EngineDDSConfig* config) {
  ddsconfig::MapTopicNameToTypeDef(info, domain, *config);
}

void XMLParser::MapDDSEndpoints(DomainInfo& info, const pugi::xml_node& participant, EngineDDSConfig* config) {
  ddsconfig::MapDDSEndpoints(info, participant, *config);
}

xtypes::TypeKind XMLParser::ConvertTypeDefToEnumDef(const std::string& xmlTypeName) {
  return xml::ConvertTypeDefToEnumDef(xmlTypeName);
}

bool XMLParser::CheckRangesValidity(const ddsconfig::DDSXmlMetadata& metadata, const std::string& member,
                                    xtypes::TypeKind kind) {
  return ddsconfig::CheckRangesValidity(metadata, member, kind);
}

}  // namespace Quorvel
