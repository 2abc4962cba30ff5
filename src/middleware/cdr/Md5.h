#pragma once

// MD5 (RFC 1321), needed only for DDSI-RTPS key hashes of keys longer than 16 bytes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace Quorvel::cdr {

std::array<uint8_t, 16> Md5(const uint8_t* data, size_t size);

}  // namespace Quorvel::cdr
