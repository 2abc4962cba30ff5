#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace Quorvel::passive {

// Lower-case hexadecimal digits of `bytes`, two per byte, no prefix.
std::string HexText(std::span<const uint8_t> bytes);
// "0x" and `value` in lower-case hexadecimal, zero-padded to `digits`.
std::string HexNumber(uint32_t value, int digits);

}  // namespace Quorvel::passive
