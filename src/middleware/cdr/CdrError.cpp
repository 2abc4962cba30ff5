#include "middleware/cdr/CdrError.h"

namespace Quorvel::cdr {

CdrError::CdrError(size_t offset, const std::string& what)
    : std::runtime_error("CDR decode error at offset " + std::to_string(offset) + ": " + what),
      offset_(offset) {}

}  // namespace Quorvel::cdr
