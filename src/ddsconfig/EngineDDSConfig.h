#pragma once

// The engine's one holder of everything that comes from DDS XML files: the type files (in the
// user QoS provider and as metadata), the QoS profiles, and the mapped participant definition.
// A second provider holds the engine's internal metadata types.
//
// Built during engine initialisation on the initialising thread (Init changes the process
// working directory while it loads a path), read-only afterwards: ExtractDynamicType and the
// accessors may then be called from any thread.

#include "ddsconfig/DomainInfo.h"
#include "ddsconfig/TypeFileMetadata.h"
#include "middleware/xml/QosProvider.h"

#include <quorvel/EngineOperationMode.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace Quorvel {

class EngineDDSConfig {
 public:
  // Stores the arguments and knows the builtin QoS profile names; reads no file.
  EngineDDSConfig(EngineOperationMode mode, std::vector<std::filesystem::path>& paths, int domainId,
                  std::string& participantName, bool parseConstants);
  ~EngineDDSConfig();
  EngineDDSConfig(const EngineDDSConfig&) = delete;
  EngineDDSConfig& operator=(const EngineDDSConfig&) = delete;

  // Loads every configured path (files, or directories walked recursively). Throws
  // std::runtime_error, or a plain std::exception after a file's failure has been logged.
  void Init();
  // Classifies, validates and loads one file (and the type files a <dds> file includes).
  void AddDDSConfigFile(std::filesystem::path file);
  // Publishes every accepted type file to the user QoS provider.
  void LoadDDSTypeFilesToQosProvider();
  // Builds the provider of the internal metadata types.
  void InitInternalTypes();
  // The type of that name: the internal metadata types from the internal provider, every
  // other name from the user files. Throws "Cannot find a matching TypeDefintion ...".
  xtypes::DynamicTypePtr ExtractDynamicType(const std::string& typeName) const;

  std::shared_ptr<const xml::QosProvider> UserQosProvider() const { return userProvider_; }
  std::shared_ptr<const xml::QosProvider> InternalQosProvider() const { return internalProvider_; }
  // Null until a participant-configuration file has been mapped.
  std::shared_ptr<const DomainInfo> GetDomainInfo() const { return domainInfo_; }
  bool ParticipantFileLoaded() const { return participantFileLoaded_; }

  // "Library::Profile" of every builtin and loaded profile; the mappers add and check here.
  std::set<std::string>& KnownQosProfiles() { return knownQosProfiles_; }
  const std::set<std::string>& KnownQosProfiles() const { return knownQosProfiles_; }

  ddsconfig::TypeFileMetadata& Metadata() { return metadata_; }
  const ddsconfig::TypeFileMetadata& Metadata() const { return metadata_; }
  const std::vector<TypeBasicInfo>& TypesBasicInfo() const { return metadata_.typesBasicInfo; }

  // The <include file="..."/> elements of every accepted type file, one after the other.
  const std::string& TypeIncludeText() const { return typeIncludeText_; }
  const xml::QosProviderParams& ProviderParams() const { return providerParams_; }

  EngineOperationMode Mode() const { return mode_; }
  int DomainId() const { return domainId_; }
  const std::string& ParticipantName() const { return participantName_; }
  bool ParseConstants() const { return metadata_.parseConstants; }
  const std::vector<std::filesystem::path>& Paths() const { return paths_; }

 private:
  void LoadPath(const std::filesystem::path& path);
  void AddTypeFile(const std::filesystem::path& file);
  void AddProfileFile(const std::filesystem::path& file, const pugi::xml_node& dds);
  bool AlreadyLoaded(const std::filesystem::path& file) const;
  // Replaces the user provider by one built from the current parameters.
  void RebuildUserProvider();

  EngineOperationMode mode_;
  std::vector<std::filesystem::path> paths_;
  int domainId_;
  std::string participantName_;
  xml::QosProviderParams providerParams_;
  std::shared_ptr<const xml::QosProvider> userProvider_;
  std::shared_ptr<const xml::QosProvider> internalProvider_;
  std::string typeIncludeText_;
  std::set<std::string> knownQosProfiles_;
  ddsconfig::TypeFileMetadata metadata_;
  std::shared_ptr<const DomainInfo> domainInfo_;
  bool participantFileLoaded_ = false;
};

}  // namespace Quorvel
