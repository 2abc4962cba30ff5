#pragma once

// Reads "Quorvel_Veltrane_Config.xml": the factory section into a FactoryConfiguration and the
// engine section into an EngineConfiguration. Only fills the records; the range checks they
// share with the programmatic path run again in EngineConfig.

#include <quorvel/EngineConfiguration.h>
#include <quorvel/FactoryConfiguration.h>

#include <filesystem>
#include <string>

namespace Quorvel {

class XMLParser {
 public:
  static constexpr const char* kConfigFileName = "Quorvel_Veltrane_Config.xml";

  // Relative paths in the file are taken from the file's own directory. A path naming a
  // directory means the configuration file inside it.
  void InitFactoryConfigurationFromXML(const std::filesystem::path& path,
                                       FactoryConfiguration& out) const;
  // The text argument is accepted for compatibility and not used.
  void InitEngineConfigurationFromXML(const std::filesystem::path& path, const std::string&,
                                      EngineConfiguration& out) const;
};

}  // namespace Quorvel
