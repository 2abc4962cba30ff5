#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace Quorvel::cdr {

// A payload that cannot be decoded (or a sample that cannot be encoded). The text says what
// was wrong and where: "CDR decode error at offset 132: sequence length 4294967295 exceeds the
// 12 bytes left". Offsets count from the first byte of the encapsulation header.
class CdrError : public std::runtime_error {
public:
    CdrError(size_t offset, const std::string& what);
    explicit CdrError(const std::string& what) : std::runtime_error(what), offset_(0) {}
    size_t offset() const { return offset_; }

private:
    size_t offset_;
};

}  // namespace Quorvel::cdr
