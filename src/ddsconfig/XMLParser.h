#pragma once

// The engine's reader of XML files. Two halves:
// - "Quorvel_Veltrane_Config.xml": the factory section into a FactoryConfiguration and the
//   engine section into an EngineConfiguration. Only fills the records; the range checks they
//   share with the programmatic path run again in EngineConfig.
// - DDS XML files: schema validation, type-file metadata, QoS profile checks and the mapping
//   of the participant-configuration file, for EngineDDSConfig.

#include "ddsconfig/DDSFileType.h"
#include "ddsconfig/DomainInfo.h"
#include "middleware/xtypes/TypeKind.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/FactoryConfiguration.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

namespace Quorvel {

class EngineDDSConfig;
namespace ddsconfig {
struct DDSXmlMetadata;
}

class XMLParser {
 public:
  static constexpr const char* kConfigFileName = "Quorvel_Veltrane_Config.xml";
  using DDSFileType = ddsconfig::DDSFileType;

  // Relative paths in the file are taken from the file's own directory. A path naming a
  // directory means the configuration file inside it.
  void InitFactoryConfigurationFromXML(const std::filesystem::path& path,
                                       FactoryConfiguration& out) const;
  // The text argument is accepted for compatibility and not used.
  void InitEngineConfigurationFromXML(const std::filesystem::path& path, const std::string&,
                                      EngineConfiguration& out) const;

  // Schema validation of a type file (TYPE_FILE) or a <dds> file (PROFILE_FILE).
  static ddsconfig::XmlValidationResult ValidateDDSXml(const std::filesystem::path& file, DDSFileType kind);
  // Walks a type file, or the inline types of a <dds> file, into the config's metadata.
  static void ExtractTypeFilesInfo(const std::pair<std::filesystem::path, std::filesystem::path>& fileAndBaseDir,
                                   EngineDDSConfig* config);
  // Registers and checks the QoS profiles of one <dds> document.
  static void ValidateQoSDefinition(const pugi::xml_node& dds, EngineDDSConfig* config);
  static void ValidateBaseNameQoS(const pugi::xml_node& qosNode, EngineDDSConfig* config);
  // The DomainInfo of the participant named "library::participant" (empty: the first one).
  static std::shared_ptr<DomainInfo> MapDDSDomainParticipantConfiguration(const std::filesystem::path& file,
                                                                          EngineDDSConfig* config,
                                                                          const std::string& participantName);
  static void MapDDSDomainConfiguration(const pugi::xml_document& document, DomainInfo& info,
                                        EngineDDSConfig* config);
  static void MapTypeNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, EngineDDSConfig* config);
  static void MapTopicNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, EngineDDSConfig* config);
  static void MapDDSEndpoints(DomainInfo& info, const pugi::xml_node& participant, EngineDDSConfig* config);
  // The type kind of an XML basic type name; NO_TYPE for anything else.
  static xtypes::TypeKind ConvertTypeDefToEnumDef(const std::string& xmlTypeName);
  static bool CheckRangesValidity(const ddsconfig::DDSXmlMetadata& metadata, const std::string& member,
                                  xtypes::TypeKind kind);
};

}  // namespace Quorvel
