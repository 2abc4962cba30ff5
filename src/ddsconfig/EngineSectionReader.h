#pragma once

#include <quorvel/EngineConfiguration.h>

#include <pugixml.hpp>

#include <filesystem>
#include <optional>
#include <string>

namespace Quorvel {

// Reads the `engine` element of the configuration file, field by field in a fixed order;
// the first bad value ends the reading with an exception naming the file.
class EngineSectionReader {
 public:
  EngineSectionReader(pugi::xml_node engine, std::filesystem::path file,
                      std::filesystem::path directory);
  void Read(EngineConfiguration& out) const;

 private:
  void ReadOperationMode(EngineConfiguration& out) const;
  void ReadActiveMonitoring(EngineConfiguration& out) const;
  void ReadMonitoredNic(EngineConfiguration& out) const;
  void ReadDdsConfigurationFilesPath(EngineConfiguration& out) const;
  void ReadThreadPoolSize(EngineConfiguration& out) const;
  void ReadValueFormats(EngineConfiguration& out) const;
  void ReadOutputs(EngineConfiguration& out) const;
  // "true"/"false" in any case into `field`; false (with a trace line naming `name`) when
  // absent. An unknown text throws, naming `name` too.
  bool ReadFlag(const std::optional<std::string>& text, const std::string& name,
                bool& field) const;

  pugi::xml_node engine;
  std::filesystem::path file;
  std::filesystem::path directory;
};

}  // namespace Quorvel
