#include "support/FuzzInput.h"

#include <algorithm>

namespace Quorvel::fuzz {

uint8_t FuzzInput::TakeByte() {
  if (bytes_.empty()) return 0;
  const uint8_t value = bytes_.front();
  bytes_ = bytes_.subspan(1);
  return value;
}

std::span<const uint8_t> FuzzInput::TakeChunk() {
  const size_t high = TakeByte();
  const size_t length = std::min((high << 8) | TakeByte(), bytes_.size());
  const auto chunk = bytes_.first(length);
  bytes_ = bytes_.subspan(length);
  return chunk;
}

std::span<const uint8_t> FuzzInput::TakeRest() {
  const auto rest = bytes_;
  bytes_ = {};
  return rest;
}

std::string_view FuzzInput::RestAsText() {
  const auto rest = TakeRest();
  return {reinterpret_cast<const char*>(rest.data()), rest.size()};
}

std::string AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace Quorvel::fuzz
