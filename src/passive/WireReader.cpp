#include "passive/WireReader.h"

#include <string>

namespace Quorvel::passive {

void WireReader::Seek(size_t offset) {
  if (offset < begin_ || offset > end_) {
    Fail("offset " + std::to_string(offset) + " lies outside bytes " + std::to_string(begin_) +
         " to " + std::to_string(end_));
  }
  pos_ = offset;
}

WireReader WireReader::Cut(size_t count) {
  Require(count);
  WireReader sub = *this;
  sub.begin_ = pos_;
  sub.end_ = pos_ + count;
  pos_ += count;
  return sub;
}

std::span<const uint8_t> WireReader::At(size_t offset, size_t count) const {
  if (offset < begin_ || offset > end_ || count > end_ - offset) FailShort(offset, count);
  return bytes_.subspan(offset, count);
}

void WireReader::Fail(const std::string& what) const { throw WireError(what); }

void WireReader::FailShort(size_t offset, size_t count) const {
  const size_t left = offset <= end_ ? end_ - offset : 0;
  Fail(std::to_string(count) + " bytes needed at offset " + std::to_string(offset) + ", " +
       std::to_string(left) + " left");
}

}  // namespace Quorvel::passive
