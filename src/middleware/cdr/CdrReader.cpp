#include "middleware/cdr/CdrReader.h"

#include "common/Log.h"

namespace Quorvel::cdr {

void CdrReader::Fail(const std::string& what) const {
    CdrError error(pos_, what);
    LogDebug(error.what());
    throw error;
}

void CdrReader::FailShort(size_t count) const {
    Fail(std::to_string(count) + " bytes needed but only " + std::to_string(end_ - pos_) + " left");
}

}  // namespace Quorvel::cdr
