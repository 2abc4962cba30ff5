#include "middleware/cdr/Md5.h"

#include <cmath>
#include <cstring>

namespace Quorvel::cdr {

namespace {

struct Md5Tables {
    uint32_t sine[64];
    Md5Tables() {
        // RFC 1321, 3.4: T[i] is the integer part of 2^32 * |sin(i)|, i in radians from 1.
        for (int i = 0; i < 64; ++i)
            sine[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    }
};

constexpr uint8_t kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t RotateLeft(uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

void Transform(uint32_t state[4], const uint8_t block[64], const uint32_t* sine) {
    uint32_t words[16];
    for (int i = 0; i < 16; ++i)
        words[i] = uint32_t{block[i * 4]} | uint32_t{block[i * 4 + 1]} << 8 |
                   uint32_t{block[i * 4 + 2]} << 16 | uint32_t{block[i * 4 + 3]} << 24;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        uint32_t f;
        int g;
        switch (round) {
            case 0: f = (b & c) | (~b & d); g = i; break;
            case 1: f = (d & b) | (~d & c); g = (5 * i + 1) % 16; break;
            case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
            default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
        }
        const uint32_t sum = a + f + sine[i] + words[g];
        a = d;
        d = c;
        c = b;
        b += RotateLeft(sum, kShifts[round][i % 4]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

std::array<uint8_t, 16> Md5(const uint8_t* data, size_t size) {
    static const Md5Tables tables;
    uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    size_t done = 0;
    for (; size - done >= 64; done += 64) Transform(state, data + done, tables.sine);
    // Last block(s): the rest, 0x80, zeros, and the bit length little-endian.
    uint8_t tail[128] = {};
    const size_t rest = size - done;
    if (rest != 0) std::memcpy(tail, data + done, rest);
    tail[rest] = 0x80;
    const size_t tailSize = rest + 1 + 8 <= 64 ? 64 : 128;
    const uint64_t bits = uint64_t{size} * 8;
    for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
    Transform(state, tail, tables.sine);
    if (tailSize == 128) Transform(state, tail + 64, tables.sine);
    std::array<uint8_t, 16> digest;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<uint8_t>(state[i] >> (8 * j));
    return digest;
}

}  // namespace Quorvel::cdr
