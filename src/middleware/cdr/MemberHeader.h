#pragma once

// Member headers of mutable types and of XCDR1 optional members:
//  - XCDR1 parameter header (DDS-XTypes 1.3, 7.4.1.2): uint16 flags|id, uint16 length, or the
//    extended form PID_EXTENDED (0x3f01) with length 8 followed by uint32 id and uint32
//    length; a parameter list ends with PID_LIST_END (0x3f02).
//  - XCDR2 EMHEADER (7.4.3.5.3): uint32 M flag (bit 31) | length code (bits 28-30) | id,
//    followed by NEXTINT for length codes 4 to 7.

#include "middleware/cdr/CdrReader.h"

#include <cstdint>

namespace Quorvel::cdr {

inline constexpr uint16_t kPidExtended = 0x3f01;
inline constexpr uint16_t kPidListEnd = 0x3f02;
inline constexpr uint16_t kPidIgnore = 0x3f03;
inline constexpr uint16_t kPidMustUnderstand = 0x4000;
inline constexpr uint16_t kPidMask = 0x3fff;
inline constexpr uint32_t kEmMustUnderstand = 0x80000000u;
inline constexpr uint32_t kEmIdMask = 0x0fffffffu;

struct MemberHeader {
    uint32_t id = 0;
    bool mustUnderstand = false;
};

// Reads one XCDR1 parameter header; returns false at PID_LIST_END. `body` becomes a reader of
// the parameter's value with its alignment origin at the value's first byte.
bool ReadParameter(CdrReader& list, MemberHeader& header, CdrReader& body);

// Reads one XCDR2 member header and cuts `body` to the member's bytes.
void ReadEmHeader(CdrReader& list, MemberHeader& header, CdrReader& body);

}  // namespace Quorvel::cdr
