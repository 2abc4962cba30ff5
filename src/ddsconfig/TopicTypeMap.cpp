#include "ddsconfig/TopicTypeMap.h"

#include "ddsconfig/DomainParticipantMapper.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "ddsconfig/QosDefinitionChecks.h"
#include "ddsconfig/TypeFilesInfo.h"

#include <pugixml.hpp>

#include <stdexcept>

namespace Quorvel::ddsconfig {

std::map<std::string, std::string> ReadTopicNameToTypeNameMap(const std::filesystem::path& file,
                                                              const EngineDDSConfig* loaded) {
  const std::string noParticipant;
  if (loaded != nullptr) return MapDDSDomainParticipantConfiguration(file, *loaded, noParticipant)->topics;

  // No engine: the file alone, with the types it declares and includes and its own profiles.
  std::vector<std::filesystem::path> paths{file};
  std::string participant;
  EngineDDSConfig standalone(EngineOperationMode::TYPE_INTROSPECTION, paths, -1, participant, false);
  const std::filesystem::path absolute = std::filesystem::absolute(file).lexically_normal();
  ExtractTypeFilesInfo({absolute, absolute.parent_path()}, standalone.Metadata());
  pugi::xml_document document;
  if (!document.load_file(absolute.c_str())) throw std::runtime_error(absolute.string() + " is not well-formed XML");
  ValidateQoSDefinition(document.child("dds"), standalone.KnownQosProfiles());
  return MapDDSDomainParticipantConfiguration(absolute, standalone, noParticipant)->topics;
}

}  // namespace Quorvel::ddsconfig
