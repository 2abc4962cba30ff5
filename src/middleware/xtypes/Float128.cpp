#include "middleware/xtypes/Float128.h"

#include <cstdint>
#include <cstring>

namespace Quorvel::xtypes {

static_assert(sizeof(long double) >= 10, "x87 extended long double expected");

namespace {
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr uint16_t kMaxExponent = 0x7fff;
}  // namespace

long double Float128ToLongDouble(const std::byte* bytes) noexcept {
    uint64_t low = 0;
    uint64_t high = 0;
    std::memcpy(&low, bytes, 8);
    std::memcpy(&high, bytes + 8, 8);
    const uint16_t signAndExponent = static_cast<uint16_t>(high >> 48);
    const uint16_t exponent = signAndExponent & kMaxExponent;
    // The top 63 of the 112 fraction bits; the rest is below the extended format's precision.
    const uint64_t fraction = ((high & 0xffffffffffffULL) << 15) | (low >> 49);
    uint64_t significand = fraction;
    if (exponent != 0) significand |= kIntegerBit;
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, &significand, 8);
    std::memcpy(raw + 8, &signAndExponent, 2);
    long double value;
    std::memcpy(&value, raw, sizeof value);
    return value;
}

void LongDoubleToFloat128(long double value, std::byte* bytes) noexcept {
    unsigned char raw[sizeof(long double)];
    std::memcpy(raw, &value, sizeof value);
    uint64_t significand = 0;
    uint16_t signAndExponent = 0;
    std::memcpy(&significand, raw, 8);
    std::memcpy(&signAndExponent, raw + 8, 2);
    const uint64_t fraction = significand & ~kIntegerBit;
    const uint64_t high = (uint64_t{signAndExponent} << 48) | (fraction >> 15);
    const uint64_t low = fraction << 49;
    std::memcpy(bytes, &low, 8);
    std::memcpy(bytes + 8, &high, 8);
}

}  // namespace Quorvel::xtypes
