#pragma once

// IEEE 754 binary128 (the wire form of IDL long double) to and from the host's long double
// (x87 80-bit extended on x86-64: same exponent range, 64-bit significand).

#include <cstddef>

namespace Quorvel::xtypes {

// `bytes` holds the 16 bytes little-endian.
long double Float128ToLongDouble(const std::byte* bytes) noexcept;
void LongDoubleToFloat128(long double value, std::byte* bytes) noexcept;

}  // namespace Quorvel::xtypes
