#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace Quorvel {
class EngineDDSConfig;
}

namespace Quorvel::ddsconfig {

// Topic name -> type definition of the first participant (or, without one, the first domain)
// of a participant-configuration file. Types and QoS profiles are checked against `loaded`
// when an engine has loaded its configuration; otherwise the file stands alone: its types are
// what it declares and includes, and its endpoints are not mapped. Throws the mapping's
// message on any inconsistency.
std::map<std::string, std::string> ReadTopicNameToTypeNameMap(const std::filesystem::path& file,
                                                              const EngineDDSConfig* loaded);

}  // namespace Quorvel::ddsconfig
