#pragma once

// How a value of one DynamicType sits in memory inside a DynamicData. Computed once when the
// type is built and never changed, so the data operations and the codec walk plain offsets
// instead of looking anything up per value.
//
// Storage per shape:
//   primitives      their natural size (long double: its 16 wire bytes, little-endian)
//   enumeration     int32; bitmask and bitset: uint64
//   string/wstring  a std::string / std::u16string slot
//   sequence        a SequenceSlot owning its element buffer
//   array           the elements inline, `stride` bytes apart
//   structure       the members inline, in data order; an optional member is a presence byte
//                   followed by the value (the value is always constructed)
//   union           int64 discriminator at 0, int32 selected case (-1: none) at 8, then every
//                   case inline side by side (only the selected one is meaningful)

#include "middleware/xtypes/TypeKind.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace Quorvel::xtypes {

class DynamicType;
struct Member;

enum class Shape : uint8_t {
    BOOLEAN, BYTE, INT8, INT16, UINT16, INT32, UINT32, INT64, UINT64,
    FLOAT32, FLOAT64, FLOAT128, CHAR8, CHAR16,
    ENUM, BITMASK, BITSET,
    STRING, WSTRING, SEQUENCE, ARRAY, STRUCTURE, UNION,
};

class DataLayout;

// A member of a structure or a case of a union, placed in its parent's storage.
struct FieldLayout {
    uint32_t offset = 0;           // of the value
    uint32_t presenceOffset = 0;   // of the presence byte (optional members only)
    const DataLayout* layout = nullptr;
    const Member* member = nullptr;
    uint32_t id = 0;
    bool optional = false;
    bool key = false;
    // Run of bulk-copyable members starting here (structures only; 0 or 1: no run): their
    // memory image from `offset` equals their wire image when the wire position agrees with
    // `offset` modulo `runAlign`, so the codec copies `runBytes` at once. `runXcdr2` tells
    // whether that also holds under XCDR2's 4-byte maximum alignment.
    uint32_t runCount = 0;
    uint32_t runBytes = 0;
    uint32_t runAlign = 1;
    bool runXcdr2 = false;
};

struct CaseLabel {
    int64_t value;
    int32_t caseIndex;
};

class DataLayout {
public:
    static std::unique_ptr<const DataLayout> Build(const DynamicType& resolvedType);

    Shape shape = Shape::BOOLEAN;
    const DynamicType* type = nullptr;  // alias-free
    uint32_t size = 0;
    uint32_t align = 1;
    // No string, wstring or sequence inside: the bytes may be copied and dropped freely.
    bool trivial = true;
    // Defaults are all-zero bytes (no enumeration or union default to write).
    bool zeroDefault = true;
    // Primitives, enumerations, bitmasks and bitsets: size on the wire (XCDR2 for enums).
    uint32_t wireSize = 0;
    // Fewest bytes one value takes on the wire, by encoding version (at least 1): bounds the
    // element count a payload can hold before anything is allocated for it.
    uint32_t minWireXcdr1 = 1;
    uint32_t minWireXcdr2 = 1;
    // Enumerations: the first enumerator, the default value.
    int32_t enumDefault = 0;

    // Collections and strings.
    const DataLayout* element = nullptr;
    uint32_t stride = 0;
    uint32_t count = 0;   // array: total element count
    uint32_t bound = 0;   // string, sequence: 0 = unbounded

    // Structures and unions.
    std::vector<FieldLayout> fields;
    // Member names in byte order with their field index, for lookups by name.
    std::vector<std::pair<std::string_view, uint32_t>> fieldsByName;
    Extensibility extensibility = Extensibility::FINAL;
    // Structures whose members form one run filling the whole value (Point {x, y, z}): arrays
    // and sequences of them are copied as one block.
    bool flat = false;
    // Unions.
    const DataLayout* discriminator = nullptr;
    std::vector<CaseLabel> labels;  // sorted by value
    int32_t defaultCase = -1;
    int64_t defaultDiscriminator = 0;

    // A discriminator value in the range of the discriminator's kind as the wire carries it
    // (octet, char and unsigned kinds zero-extended, signed kinds sign-extended), so that a
    // label written -5 for an octet discriminator matches the byte 0xfb, and for an int8 one
    // the value -5 that byte decodes to.
    int64_t NormalizeDiscriminator(int64_t value) const;
    // Index of the union case a discriminator selects, or -1.
    int32_t SelectCase(int64_t discriminatorValue) const;
    // Index into `fields` of the member called `name`, or -1.
    int32_t FindField(std::string_view name) const;
    // A discriminator value that selects `caseIndex` (its first label; the default value for
    // the default case).
    int64_t DiscriminatorFor(int32_t caseIndex) const;
    bool IsPrimitiveLike() const { return shape <= Shape::BITSET; }
    // The XTypes primitive types (boolean .. char16): collections of anything else carry a
    // DHEADER in XCDR2, enumerations and bitmasks included (DDS-XTypes 1.3, 7.4.3.5.2).
    bool IsPrimitive() const { return shape <= Shape::CHAR16; }
    // A primitive whose memory image equals its wire image (modulo byte order), so runs of
    // them are copied at once.
    bool IsBulkCopyable() const { return shape <= Shape::CHAR16 && shape != Shape::BOOLEAN; }

private:
    static std::unique_ptr<DataLayout> BuildShape(const DynamicType& resolvedType);
};

inline constexpr uint32_t kDiscriminatorOffset = 0;
inline constexpr uint32_t kSelectedCaseOffset = 8;
inline constexpr uint32_t kUnionHeaderSize = 16;

}  // namespace Quorvel::xtypes
