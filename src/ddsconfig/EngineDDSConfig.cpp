#include "ddsconfig/EngineDDSConfig.h"

#include "common/Log.h"
#include "ddsconfig/DDSXmlValidator.h"
#include "ddsconfig/DomainParticipantMapper.h"
#include "ddsconfig/QosDefinitionChecks.h"
#include "ddsconfig/TypeFilesInfo.h"
#include "ddsconfig/WorkingDirectory.h"
#include "middleware/xml/BuiltinQosProfiles.h"
#include "middleware/xml/InternalTypes.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>

namespace Quorvel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEmptyTypesDocument = "<dds><types></types></dds>";

// The internal types that come from the internal provider; every other name, even one of the
// other internal types, is looked up in the user's files.
constexpr std::array<std::string_view, 5> kInternalTypeNames = {
    "PassiveMetadataStruct", "ParticipantDiscoveryType", "EndpointDiscoveryType", "SampleInfoStruct",
    "CommonMetadataStruct"};

std::shared_ptr<const xml::QosProvider> BuildProvider(const xml::QosProviderParams& params) {
  return std::make_shared<const xml::QosProvider>(params);
}

std::string IncludeElement(const fs::path& file) { return "<include file=\"" + file.string() + "\"/>"; }

// Turns a validation that failed into the error that fails the file.
void RequireValid(const fs::path& file, ddsconfig::DDSFileType kind) {
  const ddsconfig::XmlValidationResult result = ddsconfig::ValidateDDSXml(file, kind);
  if (result.valid) return;
  std::string lines;
  for (const std::string& line : result.errors) lines += (lines.empty() ? "" : "\n") + line;
  throw std::runtime_error("Errors in xml file " + file.string() + " : " + lines);
}

bool IsMissing(const fs::file_status& status) {
  return status.type() == fs::file_type::not_found || status.type() == fs::file_type::none;
}

}  // namespace

EngineDDSConfig::EngineDDSConfig(EngineOperationMode mode, std::vector<fs::path>& paths, int domainId,
                                 std::string& participantName, bool parseConstants)
    : mode_(mode), paths_(paths), domainId_(domainId), participantName_(participantName) {
  metadata_.parseConstants = parseConstants;
  const std::vector<std::string>& builtin = xml::BuiltinQosProfileNames();
  knownQosProfiles_.insert(builtin.begin(), builtin.end());
}

EngineDDSConfig::~EngineDDSConfig() = default;

void EngineDDSConfig::Init() {
  LogDebug("EngineDDSConfig::Init");
  try {
    providerParams_ = xml::QosProviderParams{{kEmptyTypesDocument}, {}};
    RebuildUserProvider();
  } catch (const std::exception& e) {
    ThrowLogged(std::string("Cannot set DDS QOS provider basic params. Error = ") + e.what());
  }
  for (const fs::path& path : paths_) LoadPath(path);
  // One provider build for all paths: each <dds> file has been checked by a build of its own
  // already, and a build costs as much as reading every type once.
  LoadDDSTypeFilesToQosProvider();
  // Types may refer to types of files loaded after them; what is still unknown now is missing.
  ddsconfig::FinishTypeFilesInfo(metadata_);
}

void EngineDDSConfig::LoadPath(const fs::path& path) {
  const fs::path absolute = fs::absolute(path);
  std::error_code error;
  const fs::file_status status = fs::status(absolute, error);
  if (IsMissing(status)) ThrowLogged("Path " + absolute.string() + " Doesn't exist.");
  if (fs::is_directory(status)) {
    const ddsconfig::ScopedWorkingDirectory workingDirectory(absolute);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(absolute)) {
      // refresh() re-reads a symbolic link's target, whose type the walk does not cache.
      fs::directory_entry current = entry;
      if (current.symlink_status().type() == fs::file_type::symlink) current.refresh();
      if (current.is_regular_file()) AddDDSConfigFile(current.path());
    }
  } else if (fs::is_regular_file(status)) {
    const ddsconfig::ScopedWorkingDirectory workingDirectory(absolute.parent_path());
    AddDDSConfigFile(absolute);
  } else {
    ThrowLogged("Path " + absolute.string() + " is not a file or directory");
  }
}

void EngineDDSConfig::AddDDSConfigFile(fs::path file) {
  file = fs::absolute(file).lexically_normal();
  if (file.extension() != ".xml") {
    LogWarning(" File " + file.string() + " is not an XML file. Skipping file loading.");
    return;
  }
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) {
    LogError("File " + file.string() + " is corrupted. Skipping file");
    return;
  }
  try {
    const pugi::xml_node root = document.document_element();
    const std::string_view rootName = root.name();
    if (rootName == "types") {
      AddTypeFile(file);
    } else if (rootName == "dds") {
      AddProfileFile(file, root);
    } else {
      LogWarning(" file " + file.string() +
                 " is not a OMG-DDS compatible file (should be document of kind <types> or <dds>). Skipping file");
    }
  } catch (const std::exception& e) {
    LogError("Error processing " + file.string() +
             " (Might be due to files' load ordering/dependencies or non-DDS compliant XML. Skipping file). "
             "error: " +
             e.what());
    throw std::exception();
  }
}

bool EngineDDSConfig::AlreadyLoaded(const fs::path& file) const {
  return typeIncludeText_.find(IncludeElement(file)) != std::string::npos;
}

void EngineDDSConfig::AddTypeFile(const fs::path& file) {
  RequireValid(file, ddsconfig::DDSFileType::TYPE_FILE);
  if (AlreadyLoaded(file)) {
    LogDebug("File " + file.string() + " already loaded by engine . Skipping file");
    return;
  }
  ddsconfig::ExtractTypeFilesInfo({file, fs::current_path()}, metadata_);
  typeIncludeText_ += IncludeElement(file);
  LogInfo("Successfully loaded DDS xml configuration file: " + file.string());
}

void EngineDDSConfig::AddProfileFile(const fs::path& file, const pugi::xml_node& dds) {
  RequireValid(file, ddsconfig::DDSFileType::PROFILE_FILE);
  for (const pugi::xml_node& include : dds.child("types").children("include")) {
    const std::string given = include.attribute("file").value();
    const fs::path included = fs::absolute(file.parent_path() / given).lexically_normal();
    std::error_code error;
    if (IsMissing(fs::status(included, error))) {
      throw std::runtime_error("DDS type file: " + given + " from file " + file.string() + " doesn't exist");
    }
    if (AlreadyLoaded(included)) {
      LogDebug("File " + included.string() + " already loaded by engine . Skipping file");
    } else {
      AddDDSConfigFile(included);
    }
  }
  ddsconfig::ExtractTypeFilesInfo({file, fs::current_path()}, metadata_);
  ddsconfig::ValidateQoSDefinition(dds, knownQosProfiles_);
  providerParams_.url_profile.push_back(file.string());

  const pugi::xml_node domainLibrary = dds.child("domain_library");
  if (domainLibrary && domainLibrary.first_child()) {
    if (participantFileLoaded_) {
      throw std::runtime_error("Cannot load more than two <dds> domain participant configuration files - " +
                               file.string());
    }
    domainInfo_ = ddsconfig::MapDDSDomainParticipantConfiguration(file, *this, participantName_);
    LogInfo("Mapped DDS Domain Configuration");
    participantFileLoaded_ = true;
  }
  RebuildUserProvider();
  LogInfo("Successfully loaded DDS xml configuration file: " + file.string());
}

void EngineDDSConfig::RebuildUserProvider() {
  // The type files accepted so far go with every build, so that the inline types of a <dds>
  // file may use types of any file loaded before it.
  if (!typeIncludeText_.empty())
    providerParams_.string_profile = {"<dds><types>" + typeIncludeText_ + "</types></dds>"};
  userProvider_ = BuildProvider(providerParams_);
}

void EngineDDSConfig::LoadDDSTypeFilesToQosProvider() {
  const std::string text = "<dds><types>" + typeIncludeText_ + "</types></dds>";
  try {
    providerParams_.string_profile = {text};
    // The last <dds> file of a path has just built a provider from these same parameters.
    if (userProvider_ && userProvider_->provider_params().string_profile == providerParams_.string_profile &&
        userProvider_->provider_params().url_profile == providerParams_.url_profile) {
      return;
    }
    userProvider_ = BuildProvider(providerParams_);
  } catch (const std::exception& e) {
    ThrowLogged("Error loading Type files : " + text + " to engine. Error: " + e.what());
  }
}

void EngineDDSConfig::InitInternalTypes() {
  try {
    internalProvider_ = BuildProvider(xml::QosProviderParams{{std::string(xml::InternalTypesXml())}, {}});
  } catch (const std::exception& e) {
    ThrowLogged(std::string("Cannot load DDS inernal configuration files. Error =  ") + e.what());
  }
}

xtypes::DynamicTypePtr EngineDDSConfig::ExtractDynamicType(const std::string& typeName) const {
  try {
    const bool internal =
        std::find(kInternalTypeNames.begin(), kInternalTypeNames.end(), typeName) != kInternalTypeNames.end();
    const std::shared_ptr<const xml::QosProvider>& provider = internal ? internalProvider_ : userProvider_;
    if (!provider) {
      throw std::runtime_error(internal ? "the internal types are not loaded" : "no DDS XML file is loaded");
    }
    const std::vector<std::string> libraries = provider->type_libraries();
    return provider->type(libraries.at(0), typeName);
  } catch (const std::exception& e) {
    ThrowLogged("Cannot find a matching TypeDefintion in DDS Type for TypeName = " + typeName +
                ". Error = " + e.what());
  }
}

}  // namespace Quorvel
