#pragma once

#include <cstdint>

namespace Quorvel {

// Which outputs are built for each sample.
class DissectionBitMap {
 public:
  static constexpr std::uint32_t kRowBuffer = 1;
  static constexpr std::uint32_t kValueLine = 2;
  static constexpr std::uint32_t kFlatMap = 4;
  static constexpr std::uint32_t kJson = 8;

  constexpr DissectionBitMap() = default;
  constexpr explicit DissectionBitMap(std::uint32_t bits) : bits(bits) {}

  // True when every bit of `options` is set.
  constexpr bool TestDissectionOptions(std::uint32_t options) const {
    return (bits & options) == options;
  }
  constexpr std::uint32_t Bits() const { return bits; }

 private:
  std::uint32_t bits = 0;
};

}  // namespace Quorvel
