#pragma once

// A view of one value inside a DynamicData sample: the whole sample, or a structure, union,
// sequence or array member loaned out of it. All data operations live here; DynamicData adds
// ownership. A view is two pointers, cheap to copy, and valid as long as the sample lives and
// the sequence that holds the viewed value (if any) is not resized.
//
// Indexes are 1-based, for members and for collection elements alike: member 1 is the first
// member in data order (inherited members first), element 1 the first element. That is how
// the dissector numbers members ("for i from 1 to member_count()") and elements, so its walk
// maps one to one onto these calls.
//
// Typed access (`value<T>`) accepts, for T:
//   bool: boolean        uint8_t: octet     int8_t: int8     char: char8     char16_t: char16
//   int16_t: short       uint16_t: unsigned short, char16 (wchar read as unsigned short)
//   int32_t, uint32_t: long / unsigned long and enumerations (the ordinal)
//   int64_t, uint64_t: long long / unsigned long long, bitmasks and bitsets
//   float, double, long double, std::string (string members)
// Anything else throws. Setting a member of a union selects its case; setting an optional
// member makes it present; setting element k of a sequence grows it to k elements (within its
// bound). Failures throw std::runtime_error with a message naming the type and member.

#include "middleware/xtypes/TypeKind.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel::xtypes {

class DataLayout;
class DynamicType;
struct FieldLayout;

struct MemberInfo {
    uint32_t index = 0;                      // 1-based
    std::string_view name;                   // empty for collection elements
    TypeKind kind = TypeKind::NO_TYPE;       // aliases resolved
    TypeKind element_kind = TypeKind::NO_TYPE;  // sequences and arrays: their element's kind
    uint32_t id = 0;
    bool optional = false;
    bool key = false;

    TypeKind member_kind() const { return kind; }
};

class DynamicDataRef {
public:
    DynamicDataRef(const DataLayout& layout, std::byte* value) noexcept
        : layout_(&layout), value_(value) {}

    const DynamicType& type() const;
    // The kind of the viewed value, aliases resolved.
    TypeKind type_kind() const;

    // Structure: its member count; union: 1 when a case is selected, else 0; sequence: its
    // length; array: its total element count; anything else 0.
    uint32_t member_count() const;
    MemberInfo member_info(uint32_t index) const;
    MemberInfo member_info(std::string_view name) const;
    // 1-based index of a structure member or union case; throws when there is none.
    uint32_t member_index(std::string_view name) const;
    // False for an unset optional member, a union case that is not selected and an element
    // past a sequence's length.
    bool member_exists(uint32_t index) const;
    bool member_exists(std::string_view name) const;

    template <typename T>
    T value(uint32_t index) const;
    template <typename T>
    T value(std::string_view name) const;
    template <typename T>
    void value(uint32_t index, const T& newValue);
    template <typename T>
    void value(std::string_view name, const T& newValue);
    // A string member without a copy; valid until the member changes.
    std::string_view string_view(uint32_t index) const;

    // Wide strings as 16-bit units. get_values appends a terminating 0 unit after the content
    // (the dissector drops the last unit); set_values takes the content with or without it.
    void get_values(uint32_t index, std::vector<uint16_t>& units) const;
    void get_values(std::string_view name, std::vector<uint16_t>& units) const;
    void set_values(uint32_t index, const std::vector<uint16_t>& units);
    void set_values(std::string_view name, const std::vector<uint16_t>& units);

    // Every element of this sequence or array, in order (element kinds as for value<T>; a
    // multi-dimensional array row-major).
    template <typename T>
    void get_values(std::vector<T>& values) const;
    // The same elements in place, without a copy, for number kinds (not bool, not long
    // double); valid until the collection changes.
    template <typename T>
    std::span<const T> numbers() const;

    // A view of a structure, union, sequence or array member or element, for reading and
    // writing (writing through it selects / makes present / grows like a setter does).
    DynamicDataRef loan_value(uint32_t index);
    DynamicDataRef loan_value(std::string_view name);
    // For reading only: throws where the writing loan would select, make present or grow;
    // the view is const, so loans taken from it read only too.
    const DynamicDataRef loan_value(uint32_t index) const;
    const DynamicDataRef loan_value(std::string_view name) const;

    // Unions.
    int64_t discriminator_value() const;
    // Selects the case the value names (its content reset to defaults when the case changes).
    void discriminator_value(int64_t discriminator);
    // 1-based index of the selected case, 0 when none.
    uint32_t selected_member_index() const;

    // Sequences: new elements hold defaults; a length above the bound throws.
    void set_length(uint32_t length);
    // Makes an optional member absent.
    void clear_optional_member(uint32_t index);
    // Every member back to its default (optional members absent, sequences empty).
    void clear_all_members();

    // For the codec and other walkers.
    const DataLayout& layout() const { return *layout_; }
    std::byte* storage() const { return value_; }

private:
    struct Slot {
        const DataLayout* layout;
        std::byte* value;
        const FieldLayout* field;  // null for collection elements
    };
    enum class Access { READ, WRITE };

    // The layout of a member or element, with no side effect; null when out of range.
    const DataLayout* TargetLayout(uint32_t index) const;
    Slot Locate(uint32_t index, Access access) const;
    Slot LocateField(uint32_t index, Access access) const;
    Slot LocateElement(uint32_t index, Access access) const;
    uint32_t IndexOf(std::string_view name) const;
    DynamicDataRef Loan(uint32_t index, Access access) const;
    std::string Describe(uint32_t index) const;
    void SelectCase(int32_t caseIndex, int64_t discriminator) const;

    const DataLayout* layout_;
    std::byte* value_;
};

}  // namespace Quorvel::xtypes
