#include "middleware/cdr/MemberHeader.h"

#include <string>

namespace Quorvel::cdr {

bool ReadParameter(CdrReader& list, MemberHeader& header, CdrReader& body) {
    for (;;) {
        list.Align(4);
        const uint16_t pid = list.Read<uint16_t>();
        uint32_t length = list.Read<uint16_t>();
        const uint16_t id = pid & kPidMask;
        if (id == kPidListEnd) return false;
        header.mustUnderstand = (pid & kPidMustUnderstand) != 0;
        if (id == kPidExtended) {
            if (length != 8)
                list.Fail("extended parameter header of length " + std::to_string(length) +
                          " instead of 8");
            header.id = list.Read<uint32_t>() & kEmIdMask;
            length = list.Read<uint32_t>();
        } else {
            header.id = id;
        }
        body = list.Cut(length);
        body.SetOrigin();
        if (id != kPidIgnore) return true;
    }
}

void ReadEmHeader(CdrReader& list, MemberHeader& header, CdrReader& body) {
    const uint32_t em = list.Read<uint32_t>();
    header.id = em & kEmIdMask;
    header.mustUnderstand = (em & kEmMustUnderstand) != 0;
    const uint32_t lengthCode = (em >> 28) & 0x7;
    uint64_t length;
    switch (lengthCode) {
        case 0:
        case 1:
        case 2:
        case 3: length = uint64_t{1} << lengthCode; break;
        case 4: length = list.Read<uint32_t>(); break;
        // Length codes 5 to 7: NEXTINT also starts the member (its DHEADER or sequence length).
        case 5: length = 4 + uint64_t{list.PeekUint32()}; break;
        case 6: length = 4 + uint64_t{list.PeekUint32()} * 4; break;
        default: length = 4 + uint64_t{list.PeekUint32()} * 8; break;
    }
    if (length > list.remaining())
        list.Fail("member " + std::to_string(header.id) + " of " + std::to_string(length) +
                  " bytes exceeds the " + std::to_string(list.remaining()) + " bytes left");
    body = list.Cut(static_cast<size_t>(length));
}

}  // namespace Quorvel::cdr
