#include "middleware/xtypes/DynamicDataRef.h"

#include "common/Log.h"
#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/Float128.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"
#include "middleware/xtypes/ValueLifetime.h"

#include <cstring>
#include <type_traits>
#include <new>

namespace Quorvel::xtypes {

namespace {

TypeKind KindOf(const DataLayout& layout) { return layout.type->kind(); }

// Which stored shapes a C++ type reads and writes (see the header's table).
template <typename T>
bool Accepts(Shape s) {
    if constexpr (std::is_same_v<T, bool>) return s == Shape::BOOLEAN;
    else if constexpr (std::is_same_v<T, uint8_t>) return s == Shape::BYTE;
    else if constexpr (std::is_same_v<T, int8_t>) return s == Shape::INT8;
    else if constexpr (std::is_same_v<T, char>) return s == Shape::CHAR8;
    else if constexpr (std::is_same_v<T, char16_t>) return s == Shape::CHAR16;
    else if constexpr (std::is_same_v<T, int16_t>) return s == Shape::INT16;
    else if constexpr (std::is_same_v<T, uint16_t>) return s == Shape::UINT16 || s == Shape::CHAR16;
    else if constexpr (std::is_same_v<T, int32_t>) return s == Shape::INT32 || s == Shape::ENUM;
    else if constexpr (std::is_same_v<T, uint32_t>) return s == Shape::UINT32 || s == Shape::ENUM;
    else if constexpr (std::is_same_v<T, int64_t>)
        return s == Shape::INT64 || s == Shape::BITMASK || s == Shape::BITSET;
    else if constexpr (std::is_same_v<T, uint64_t>)
        return s == Shape::UINT64 || s == Shape::BITMASK || s == Shape::BITSET;
    else if constexpr (std::is_same_v<T, float>) return s == Shape::FLOAT32;
    else if constexpr (std::is_same_v<T, double>) return s == Shape::FLOAT64;
    else if constexpr (std::is_same_v<T, long double>) return s == Shape::FLOAT128;
    else if constexpr (std::is_same_v<T, std::string>) return s == Shape::STRING;
    else return false;
}

template <typename T>
T Load(std::byte* p) {
    if constexpr (std::is_same_v<T, std::string>) return SlotAs<std::string>(p);
    else if constexpr (std::is_same_v<T, long double>) return Float128ToLongDouble(p);
    else {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
}

template <typename T>
void Store(std::byte* p, const T& v) {
    if constexpr (std::is_same_v<T, std::string>) SlotAs<std::string>(p) = v;
    else if constexpr (std::is_same_v<T, long double>) LongDoubleToFloat128(v, p);
    else std::memcpy(p, &v, sizeof v);
}

void CheckBound(const DataLayout& layout, size_t length, const std::string& what) {
    if (layout.bound != kUnbounded && length > layout.bound)
        ThrowLogged("DynamicData: " + what + " of length " + std::to_string(length) +
                    " exceeds its bound " + std::to_string(layout.bound));
}

}  // namespace

const DynamicType& DynamicDataRef::type() const { return *layout_->type; }

TypeKind DynamicDataRef::type_kind() const { return KindOf(*layout_); }

uint32_t DynamicDataRef::member_count() const {
    switch (layout_->shape) {
        case Shape::STRUCTURE: return static_cast<uint32_t>(layout_->fields.size());
        case Shape::UNION: return selected_member_index() == 0 ? 0 : 1;
        case Shape::SEQUENCE: return SlotAs<SequenceSlot>(value_).length();
        case Shape::ARRAY: return layout_->count;
        default: return 0;
    }
}

std::string DynamicDataRef::Describe(uint32_t index) const {
    const auto& fields = layout_->fields;
    if (index >= 1 && index <= fields.size() &&
        (layout_->shape == Shape::STRUCTURE || layout_->shape == Shape::UNION))
        return "member '" + fields[index - 1].member->name + "' of " + type().name();
    return "element " + std::to_string(index) + " of " + type().name();
}

uint32_t DynamicDataRef::IndexOf(std::string_view name) const {
    const int32_t field = layout_->FindField(name);
    if (field >= 0) return static_cast<uint32_t>(field + 1);
    ThrowLogged("DynamicData: " + type().name() + " has no member '" + std::string(name) + "'");
}

uint32_t DynamicDataRef::member_index(std::string_view name) const { return IndexOf(name); }

MemberInfo DynamicDataRef::member_info(uint32_t index) const {
    const DataLayout* target = TargetLayout(index);
    if (!target || (layout_->element && index > member_count()))
        ThrowLogged("DynamicData: index " + std::to_string(index) + " is out of range for " +
                    type().name());
    MemberInfo info;
    info.index = index;
    info.kind = KindOf(*target);
    if (target->element) info.element_kind = KindOf(*target->element);
    if (!layout_->element) {
        const FieldLayout& f = layout_->fields[index - 1];
        info.name = f.member->name;
        info.id = f.id;
        info.optional = f.optional;
        info.key = f.key;
    }
    return info;
}

const DataLayout* DynamicDataRef::TargetLayout(uint32_t index) const {
    if (layout_->shape == Shape::STRUCTURE || layout_->shape == Shape::UNION)
        return index >= 1 && index <= layout_->fields.size() ? layout_->fields[index - 1].layout
                                                             : nullptr;
    return index >= 1 ? layout_->element : nullptr;
}

MemberInfo DynamicDataRef::member_info(std::string_view name) const {
    return member_info(IndexOf(name));
}

bool DynamicDataRef::member_exists(uint32_t index) const {
    switch (layout_->shape) {
        case Shape::STRUCTURE: {
            if (index < 1 || index > layout_->fields.size()) return false;
            const FieldLayout& f = layout_->fields[index - 1];
            return !f.optional || value_[f.presenceOffset] != std::byte{0};
        }
        case Shape::UNION: return index != 0 && selected_member_index() == index;
        case Shape::SEQUENCE:
        case Shape::ARRAY: return index >= 1 && index <= member_count();
        default: return false;
    }
}

bool DynamicDataRef::member_exists(std::string_view name) const {
    return member_exists(IndexOf(name));
}

DynamicDataRef::Slot DynamicDataRef::Locate(uint32_t index, Access access) const {
    switch (layout_->shape) {
        case Shape::STRUCTURE:
        case Shape::UNION: return LocateField(index, access);
        case Shape::SEQUENCE:
        case Shape::ARRAY: return LocateElement(index, access);
        default:
            ThrowLogged("DynamicData: " + type().name() + " (" +
                        std::string(TypeKindName(type_kind())) + ") has no members");
    }
}

DynamicDataRef::Slot DynamicDataRef::LocateField(uint32_t index, Access access) const {
    const auto& fields = layout_->fields;
    if (index < 1 || index > fields.size())
        ThrowLogged("DynamicData: member index " + std::to_string(index) + " is out of range for " +
                    type().name() + " (" + std::to_string(fields.size()) + " members)");
    const FieldLayout& f = fields[index - 1];
    Slot slot{f.layout, value_ + f.offset, &f};
    if (layout_->shape == Shape::UNION) {
        if (selected_member_index() != index) {
            if (access == Access::READ)
                ThrowLogged("DynamicData: " + Describe(index) + " is not the selected case");
            SelectCase(static_cast<int32_t>(index - 1),
                       layout_->DiscriminatorFor(static_cast<int32_t>(index - 1)));
        }
    } else if (f.optional && value_[f.presenceOffset] == std::byte{0}) {
        if (access == Access::READ)
            ThrowLogged("DynamicData: optional " + Describe(index) + " is not set");
        lifetime::Clear(*f.layout, slot.value);
        value_[f.presenceOffset] = std::byte{1};
    }
    return slot;
}

DynamicDataRef::Slot DynamicDataRef::LocateElement(uint32_t index, Access access) const {
    const DataLayout& element = *layout_->element;
    if (layout_->shape == Shape::ARRAY) {
        if (index < 1 || index > layout_->count)
            ThrowLogged("DynamicData: element " + std::to_string(index) + " is out of range for " +
                        type().name() + " (" + std::to_string(layout_->count) + " elements)");
        return {&element, value_ + static_cast<size_t>(index - 1) * element.size, nullptr};
    }
    auto& sequence = SlotAs<SequenceSlot>(value_);
    if (index < 1 || (index > sequence.length() && access == Access::READ))
        ThrowLogged("DynamicData: element " + std::to_string(index) + " is out of range for " +
                    type().name() + " (length " + std::to_string(sequence.length()) + ")");
    if (index > sequence.length()) {
        CheckBound(*layout_, index, type().name());
        sequence.Resize(index);
    }
    return {&element, sequence.at(index - 1), nullptr};
}

template <typename T>
T DynamicDataRef::value(uint32_t index) const {
    const Slot slot = Locate(index, Access::READ);
    if (!Accepts<T>(slot.layout->shape))
        ThrowLogged("DynamicData: " + Describe(index) + " is " +
                    std::string(TypeKindName(KindOf(*slot.layout))) + ", not readable as requested");
    return Load<T>(slot.value);
}

template <typename T>
T DynamicDataRef::value(std::string_view name) const {
    return value<T>(IndexOf(name));
}

template <typename T>
void DynamicDataRef::value(uint32_t index, const T& newValue) {
    // Check the kind before Locate so a refused write selects or grows nothing.
    const DataLayout* target = TargetLayout(index);
    if (target && !Accepts<T>(target->shape))
        ThrowLogged("DynamicData: " + Describe(index) + " is " +
                    std::string(TypeKindName(KindOf(*target))) + ", not writable as given");
    if constexpr (std::is_same_v<T, std::string>) {
        if (target) CheckBound(*target, newValue.size(), "string for " + Describe(index));
    }
    const Slot slot = Locate(index, Access::WRITE);
    Store<T>(slot.value, newValue);
}

template <typename T>
void DynamicDataRef::value(std::string_view name, const T& newValue) {
    value<T>(IndexOf(name), newValue);
}

template <typename T>
void DynamicDataRef::get_values(std::vector<T>& values) const {
    const DataLayout* element = layout_->element;
    if ((layout_->shape != Shape::SEQUENCE && layout_->shape != Shape::ARRAY) || !Accepts<T>(element->shape))
        ThrowLogged("DynamicData: " + type().name() + " is not a collection readable as requested");
    const uint32_t count = member_count();
    const std::byte* first = layout_->shape == Shape::ARRAY ? value_ : SlotAs<SequenceSlot>(value_).data();
    if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, long double> && !std::is_same_v<T, bool>) {
        values.resize(count);
        if (count != 0) std::memcpy(values.data(), first, size_t{count} * sizeof(T));
    } else {
        values.clear();
        values.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            values.push_back(Load<T>(const_cast<std::byte*>(first) + size_t{i} * element->size));
    }
}

template <typename T>
std::span<const T> DynamicDataRef::numbers() const {
    static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, long double> && !std::is_same_v<T, bool>);
    const DataLayout* element = layout_->element;
    if ((layout_->shape != Shape::SEQUENCE && layout_->shape != Shape::ARRAY) || !Accepts<T>(element->shape) ||
        element->size != sizeof(T))
        ThrowLogged("DynamicData: " + type().name() + " is not a collection readable as requested");
    const std::byte* first = layout_->shape == Shape::ARRAY ? value_ : SlotAs<SequenceSlot>(value_).data();
    // The element block was allocated as bytes and filled by copies: its numbers exist there.
    return {reinterpret_cast<const T*>(first), member_count()};
}

std::string_view DynamicDataRef::string_view(uint32_t index) const {
    const Slot slot = Locate(index, Access::READ);
    if (slot.layout->shape != Shape::STRING)
        ThrowLogged("DynamicData: " + Describe(index) + " is not a string");
    return SlotAs<std::string>(slot.value);
}

void DynamicDataRef::get_values(uint32_t index, std::vector<uint16_t>& units) const {
    const Slot slot = Locate(index, Access::READ);
    if (slot.layout->shape != Shape::WSTRING)
        ThrowLogged("DynamicData: " + Describe(index) + " is not a wide string");
    const auto& text = SlotAs<std::u16string>(slot.value);
    units.assign(text.begin(), text.end());
    units.push_back(0);
}

void DynamicDataRef::get_values(std::string_view name, std::vector<uint16_t>& units) const {
    get_values(IndexOf(name), units);
}

void DynamicDataRef::set_values(uint32_t index, const std::vector<uint16_t>& units) {
    size_t length = units.size();
    if (length != 0 && units.back() == 0) --length;
    const DataLayout* target = TargetLayout(index);
    if (target && target->shape != Shape::WSTRING)
        ThrowLogged("DynamicData: " + Describe(index) + " is not a wide string");
    if (target) CheckBound(*target, length, "wide string for " + Describe(index));
    const Slot slot = Locate(index, Access::WRITE);
    SlotAs<std::u16string>(slot.value).assign(units.begin(), units.begin() + static_cast<ptrdiff_t>(length));
}

void DynamicDataRef::set_values(std::string_view name, const std::vector<uint16_t>& units) {
    set_values(IndexOf(name), units);
}

DynamicDataRef DynamicDataRef::loan_value(uint32_t index) { return Loan(index, Access::WRITE); }

const DynamicDataRef DynamicDataRef::loan_value(uint32_t index) const { return Loan(index, Access::READ); }

const DynamicDataRef DynamicDataRef::loan_value(std::string_view name) const {
    return Loan(IndexOf(name), Access::READ);
}

DynamicDataRef DynamicDataRef::Loan(uint32_t index, Access access) const {
    const Slot slot = Locate(index, access);
    const Shape s = slot.layout->shape;
    if (s != Shape::STRUCTURE && s != Shape::UNION && s != Shape::SEQUENCE && s != Shape::ARRAY)
        ThrowLogged("DynamicData: " + Describe(index) + " is " +
                    std::string(TypeKindName(KindOf(*slot.layout))) + " and cannot be loaned");
    return DynamicDataRef(*slot.layout, slot.value);
}

DynamicDataRef DynamicDataRef::loan_value(std::string_view name) { return loan_value(IndexOf(name)); }

int64_t DynamicDataRef::discriminator_value() const {
    if (layout_->shape != Shape::UNION)
        ThrowLogged("DynamicData: " + type().name() + " is not a union");
    int64_t v;
    std::memcpy(&v, value_ + kDiscriminatorOffset, sizeof v);
    return v;
}

void DynamicDataRef::discriminator_value(int64_t discriminator) {
    if (layout_->shape != Shape::UNION)
        ThrowLogged("DynamicData: " + type().name() + " is not a union");
    const int64_t normalized = layout_->NormalizeDiscriminator(discriminator);
    SelectCase(layout_->SelectCase(normalized), normalized);
}

void DynamicDataRef::SelectCase(int32_t caseIndex, int64_t discriminator) const {
    int32_t current;
    std::memcpy(&current, value_ + kSelectedCaseOffset, sizeof current);
    if (caseIndex != current && caseIndex >= 0) {
        const FieldLayout& f = layout_->fields[static_cast<size_t>(caseIndex)];
        lifetime::Clear(*f.layout, value_ + f.offset);
    }
    std::memcpy(value_ + kDiscriminatorOffset, &discriminator, sizeof discriminator);
    std::memcpy(value_ + kSelectedCaseOffset, &caseIndex, sizeof caseIndex);
}

uint32_t DynamicDataRef::selected_member_index() const {
    if (layout_->shape != Shape::UNION) return 0;
    int32_t selected;
    std::memcpy(&selected, value_ + kSelectedCaseOffset, sizeof selected);
    return static_cast<uint32_t>(selected + 1);
}

void DynamicDataRef::set_length(uint32_t length) {
    if (layout_->shape != Shape::SEQUENCE)
        ThrowLogged("DynamicData: " + type().name() + " is not a sequence");
    CheckBound(*layout_, length, type().name());
    SlotAs<SequenceSlot>(value_).Resize(length);
}

void DynamicDataRef::clear_optional_member(uint32_t index) {
    if (layout_->shape != Shape::STRUCTURE || index < 1 || index > layout_->fields.size() ||
        !layout_->fields[index - 1].optional)
        ThrowLogged("DynamicData: " + Describe(index) + " is not an optional member");
    value_[layout_->fields[index - 1].presenceOffset] = std::byte{0};
}

void DynamicDataRef::clear_all_members() { lifetime::Clear(*layout_, value_); }

#define VELTRANE_DYNAMIC_DATA_VALUE(T)                                      \
    template T DynamicDataRef::value<T>(uint32_t) const;                    \
    template T DynamicDataRef::value<T>(std::string_view) const;            \
    template void DynamicDataRef::value<T>(uint32_t, const T&);             \
    template void DynamicDataRef::value<T>(std::string_view, const T&);   \
    template void DynamicDataRef::get_values<T>(std::vector<T>&) const;

VELTRANE_DYNAMIC_DATA_VALUE(bool)
VELTRANE_DYNAMIC_DATA_VALUE(uint8_t)
VELTRANE_DYNAMIC_DATA_VALUE(int8_t)
VELTRANE_DYNAMIC_DATA_VALUE(char)
VELTRANE_DYNAMIC_DATA_VALUE(char16_t)
VELTRANE_DYNAMIC_DATA_VALUE(int16_t)
VELTRANE_DYNAMIC_DATA_VALUE(uint16_t)
VELTRANE_DYNAMIC_DATA_VALUE(int32_t)
VELTRANE_DYNAMIC_DATA_VALUE(uint32_t)
VELTRANE_DYNAMIC_DATA_VALUE(int64_t)
VELTRANE_DYNAMIC_DATA_VALUE(uint64_t)
VELTRANE_DYNAMIC_DATA_VALUE(float)
VELTRANE_DYNAMIC_DATA_VALUE(double)

#define VELTRANE_DYNAMIC_DATA_NUMBERS(T) template std::span<const T> DynamicDataRef::numbers<T>() const;
VELTRANE_DYNAMIC_DATA_NUMBERS(uint8_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(int8_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(int16_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(uint16_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(int32_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(uint32_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(int64_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(uint64_t)
VELTRANE_DYNAMIC_DATA_NUMBERS(float)
VELTRANE_DYNAMIC_DATA_NUMBERS(double)
#undef VELTRANE_DYNAMIC_DATA_NUMBERS
VELTRANE_DYNAMIC_DATA_VALUE(long double)
VELTRANE_DYNAMIC_DATA_VALUE(std::string)

#undef VELTRANE_DYNAMIC_DATA_VALUE

}  // namespace Quorvel::xtypes
