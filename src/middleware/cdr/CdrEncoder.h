#pragma once

// Encodes a DynamicData value by its type's DataLayout, XCDR1 or XCDR2 (DDS-XTypes 1.3, 7.4),
// into a CdrWriter that carries the byte order and maximum alignment. The mirror of CdrDecoder.

#include <cstddef>
#include <cstdint>

namespace Quorvel::xtypes {
class DataLayout;
struct FieldLayout;
}

namespace Quorvel::cdr {

class CdrWriter;

class CdrEncoder {
public:
    explicit CdrEncoder(bool xcdr2) : xcdr2_(xcdr2) {}

    void EncodeValue(const xtypes::DataLayout& layout, const std::byte* value, CdrWriter& writer) const;
    // The members of a structure in order, without the structure's own framing (also used for
    // the key holder of the key hash).
    void EncodeMembersInOrder(const xtypes::DataLayout& layout, const std::byte* value,
                              CdrWriter& writer) const;
    void EncodeDiscriminator(const xtypes::DataLayout& layout, int64_t value, CdrWriter& writer) const;

private:
    void EncodePrimitive(const xtypes::DataLayout& layout, const std::byte* value, CdrWriter& writer) const;
    void EncodeString(const std::byte* value, CdrWriter& writer) const;
    void EncodeWString(const std::byte* value, CdrWriter& writer) const;
    void EncodeElements(const xtypes::DataLayout& element, const std::byte* first, uint32_t count,
                        CdrWriter& writer) const;
    void EncodeCollection(const xtypes::DataLayout& layout, const std::byte* value, CdrWriter& writer) const;
    void EncodeStructure(const xtypes::DataLayout& layout, const std::byte* value, CdrWriter& writer) const;
    // A run of members copied at once when wire and memory images agree; false otherwise.
    bool EncodeRun(const xtypes::FieldLayout* head, const std::byte* value, CdrWriter& writer) const;
    // Zeroes the padding and fixes the byte order of a run copied to `out`.
    static void FixUpRun(uint8_t* out, const xtypes::FieldLayout* head, bool swap);
    // Arrays and sequences of flat structures as one block, when the images agree.
    bool EncodeFlatElements(const xtypes::DataLayout& element, const std::byte* first, uint32_t count,
                            CdrWriter& writer) const;
    void EncodeMutableMembers(const xtypes::DataLayout& layout, const std::byte* value,
                              CdrWriter& writer) const;
    void EncodeUnion(const xtypes::DataLayout& layout, const std::byte* value, CdrWriter& writer) const;
    // One member of a mutable type: EMHEADER (XCDR2) or parameter header (XCDR1) and value.
    void EncodeMember(const xtypes::DataLayout& layout, uint32_t id, bool mustUnderstand,
                      const std::byte* value, CdrWriter& writer) const;
    void EncodeParameter(const xtypes::DataLayout* layout, uint32_t id, bool mustUnderstand,
                         const std::byte* value, CdrWriter& writer) const;
    // Ends a mutable type's member list: the DHEADER's count (XCDR2) or PID_LIST_END (XCDR1).
    void CloseMemberList(size_t header, CdrWriter& writer) const;
    // Opens a DHEADER; CloseDelimited writes the byte count of what followed.
    size_t OpenDelimited(CdrWriter& writer) const;
    void CloseDelimited(size_t at, CdrWriter& writer) const;

    bool xcdr2_;
};

}  // namespace Quorvel::cdr
