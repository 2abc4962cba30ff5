#pragma once

// Decodes one serialized value into DynamicData storage, walking the type's DataLayout. The
// rules are those of DDS-XTypes 1.3, 7.4 (XCDR1 and XCDR2): the reader carries the byte
// order and the maximum alignment, the decoder the version-specific framing (DHEADER,
// EMHEADER, parameter lists, optional members).

#include <cstddef>
#include <cstdint>

namespace Quorvel::xtypes {
class DataLayout;
struct FieldLayout;
}

namespace Quorvel::cdr {

class CdrReader;

class CdrDecoder {
public:
    static constexpr uint32_t kMaxDepth = 64;
    // Memory one decoded sequence may take.
    static constexpr uint64_t kMaxSequenceBytes = uint64_t{256} << 20;

    explicit CdrDecoder(bool xcdr2) : xcdr2_(xcdr2) {}

    // `value` must hold a constructed value of `layout`; afterwards it holds the decoded one
    // (members a shorter appendable or a mutable sample lacks at their defaults).
    void DecodeValue(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                     uint32_t depth) const;

private:
    void DecodePrimitive(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader) const;
    void DecodeString(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader) const;
    void DecodeWString(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader) const;
    void DecodeSequence(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                        uint32_t depth) const;
    void DecodeArray(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                     uint32_t depth) const;
    void DecodeElements(const xtypes::DataLayout& element, std::byte* first, uint32_t count,
                        CdrReader& reader, uint32_t depth) const;
    void DecodeStructure(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                         uint32_t depth) const;
    void DecodeMembersInOrder(const xtypes::DataLayout& layout, std::byte* value,
                              CdrReader& reader, uint32_t depth, bool mayEndEarly) const;
    void DecodeMutableMembers(const xtypes::DataLayout& layout, std::byte* value,
                              CdrReader& reader, uint32_t depth) const;
    // Copies a run of members at once when wire and memory images agree; false otherwise.
    bool DecodeRun(const xtypes::FieldLayout* head, std::byte* value, CdrReader& reader) const;
    // Arrays and sequences of flat structures as one block, when the images agree.
    bool DecodeFlatElements(const xtypes::DataLayout& element, std::byte* first, uint32_t count,
                            CdrReader& reader) const;
    void DecodeOptional(const xtypes::FieldLayout& field, std::byte* owner, CdrReader& reader,
                        uint32_t depth) const;
    // Calls visit(header, body) for every member of a parameter list (XCDR1) or of an
    // EMHEADER list inside a DHEADER (XCDR2).
    template <typename Visit>
    void ForEachMember(CdrReader& reader, Visit&& visit) const;
    void DecodeUnion(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                     uint32_t depth) const;
    void DecodeUnionBody(const xtypes::DataLayout& layout, std::byte* value, CdrReader& reader,
                         uint32_t depth) const;
    void SetCase(const xtypes::DataLayout& layout, std::byte* value, int64_t discriminator) const;
    int64_t ReadDiscriminator(const xtypes::DataLayout& layout, CdrReader& reader) const;
    // Follows a body the DHEADER delimits (XCDR2 appendable and mutable types).
    CdrReader CutDelimited(CdrReader& reader) const;
    uint32_t MinWireSize(const xtypes::DataLayout& layout) const;

    bool xcdr2_;
};

}  // namespace Quorvel::cdr
