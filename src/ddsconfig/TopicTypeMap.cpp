#include "ddsconfig/TopicTypeMap.h"

#include "ddsconfig/DomainParticipantMapper.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "ddsconfig/TypeFilesInfo.h"

namespace Quorvel::ddsconfig {

std::map<std::string, std::string> ReadTopicNameToTypeNameMap(const std::filesystem::path& file,
                                                              const EngineDDSConfig* loaded) {
  const std::string noParticipant;
  if (loaded != nullptr) return MapDDSDomainParticipantConfiguration(file, *loaded, noParticipant)->topics;

  // No engine: the file alone, with the types it declares and includes. The QoS profiles its
  // endpoints name may live in other files, and topics do not depend on them: only the domain
  // is mapped.
  std::vector<std::filesystem::path> paths{file};
  std::string participant;
  EngineDDSConfig standalone(EngineOperationMode::TYPE_INTROSPECTION, paths, -1, participant, false);
  const std::filesystem::path absolute = std::filesystem::absolute(file).lexically_normal();
  ExtractTypeFilesInfo({absolute, absolute.parent_path()}, standalone.Metadata());
  return MapDDSDomainParticipantConfiguration(absolute, standalone, noParticipant, EndpointMapping::SKIP)->topics;
}

}  // namespace Quorvel::ddsconfig
