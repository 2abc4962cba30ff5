#pragma once

// The 4-byte encapsulation header that starts every serialized payload: a big-endian
// representation identifier, then 16 bits of options whose low 2 bits count the padding bytes
// added at the end (DDS-XTypes 1.3, 7.6.3.1.2; DDSI-RTPS 2.5, 10.2).

#include <cstdint>
#include <optional>

namespace Quorvel::cdr {

enum class CdrVersion : uint8_t { XCDR1, XCDR2 };
enum class ByteOrder : uint8_t { BIG, LITTLE };
// How the members of the top-level type are framed.
enum class EncodingKind : uint8_t { PLAIN, DELIMITED, PARAMETER_LIST };

enum class EncapsulationId : uint16_t {
    CDR_BE = 0x0000,
    CDR_LE = 0x0001,
    PL_CDR_BE = 0x0002,
    PL_CDR_LE = 0x0003,
    CDR2_BE = 0x0006,
    CDR2_LE = 0x0007,
    D_CDR2_BE = 0x0008,
    D_CDR2_LE = 0x0009,
    PL_CDR2_BE = 0x000a,
    PL_CDR2_LE = 0x000b,
};

struct Encapsulation {
    CdrVersion version;
    ByteOrder order;
    EncodingKind kind;
};

inline constexpr uint32_t kEncapsulationHeaderSize = 4;

// Null for an identifier that is none of the ten CDR encapsulations.
std::optional<Encapsulation> DescribeEncapsulation(uint16_t id);
EncapsulationId MakeEncapsulationId(const Encapsulation& encapsulation);

}  // namespace Quorvel::cdr
