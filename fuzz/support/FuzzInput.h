#pragma once

// Splits one fuzz input into the pieces a target needs: single selector bytes and
// length-prefixed chunks. Running out of bytes is not an error: the reads then give what is
// left (or nothing), so every input is usable and mutations of the prefix stay meaningful.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Quorvel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : bytes_(data, size) {}

  bool Empty() const { return bytes_.empty(); }
  // The next byte, or 0 once the input is used up.
  uint8_t TakeByte();
  // A chunk whose 16-bit big-endian length comes first; shorter when the input ends early.
  std::span<const uint8_t> TakeChunk();
  // Everything not taken yet.
  std::span<const uint8_t> TakeRest();
  std::string_view RestAsText();

 private:
  std::span<const uint8_t> bytes_;
};

// The bytes as text, for the parsers that take std::string.
std::string AsText(std::span<const uint8_t> bytes);

}  // namespace Quorvel::fuzz
