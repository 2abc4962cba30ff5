#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel::passive {

// Lower-case hexadecimal digits of `bytes`, two per byte, no prefix.
std::string HexText(std::span<const uint8_t> bytes);
// The bytes that `text` spells two hexadecimal digits at a time (either case). Throws
// std::invalid_argument("Invalid input string") for any other character or an odd count.
std::vector<uint8_t> HexBytes(std::string_view text);
// "0x" and `value` in lower-case hexadecimal, zero-padded to `digits`.
std::string HexNumber(uint32_t value, int digits);

}  // namespace Quorvel::passive
