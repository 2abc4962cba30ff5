#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Quorvel::cdr {

template <typename Word, Word (*Reverse)(Word)>
inline void SwapWord(unsigned char* bytes) noexcept {
    Word v;
    std::memcpy(&v, bytes, sizeof v);
    v = Reverse(v);
    std::memcpy(bytes, &v, sizeof v);
}

inline uint16_t Reverse16(uint16_t v) { return __builtin_bswap16(v); }
inline uint32_t Reverse32(uint32_t v) { return __builtin_bswap32(v); }
inline uint64_t Reverse64(uint64_t v) { return __builtin_bswap64(v); }

// Reverses the bytes of one value of `size` bytes (1, 2, 4, 8 or 16) in place.
inline void SwapInPlace(void* value, size_t size) noexcept {
    auto* b = static_cast<unsigned char*>(value);
    switch (size) {
        case 2: SwapWord<uint16_t, Reverse16>(b); break;
        case 4: SwapWord<uint32_t, Reverse32>(b); break;
        case 8: SwapWord<uint64_t, Reverse64>(b); break;
        default:
            for (size_t i = 0; i < size / 2; ++i) {
                const unsigned char t = b[i];
                b[i] = b[size - 1 - i];
                b[size - 1 - i] = t;
            }
    }
}

// Reverses every `size`-byte value of an array in place.
void SwapEach(void* values, size_t size, size_t count) noexcept;

}  // namespace Quorvel::cdr
