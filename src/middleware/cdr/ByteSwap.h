#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Quorvel::cdr {

// Reverses the bytes of one value of `size` bytes (1, 2, 4, 8 or 16) in place.
inline void SwapInPlace(void* value, size_t size) noexcept {
    auto* b = static_cast<unsigned char*>(value);
    switch (size) {
        case 2: {
            uint16_t v;
            std::memcpy(&v, b, 2);
            v = __builtin_bswap16(v);
            std::memcpy(b, &v, 2);
            break;
        }
        case 4: {
            uint32_t v;
            std::memcpy(&v, b, 4);
            v = __builtin_bswap32(v);
            std::memcpy(b, &v, 4);
            break;
        }
        case 8: {
            uint64_t v;
            std::memcpy(&v, b, 8);
            v = __builtin_bswap64(v);
            std::memcpy(b, &v, 8);
            break;
        }
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
