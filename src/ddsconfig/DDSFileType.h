#pragma once

#include <string>
#include <vector>

namespace Quorvel::ddsconfig {

// The two kinds of DDS XML document, each checked against its own schema.
enum class DDSFileType : int {
  TYPE_FILE = 0,     // root <types>
  PROFILE_FILE = 1,  // root <dds>: QoS, domain and participant libraries, inline types
};

// Outcome of a schema validation: the collected "error at line N : ..." lines when not valid.
struct XmlValidationResult {
  bool valid = false;
  std::vector<std::string> errors;
};

}  // namespace Quorvel::ddsconfig
