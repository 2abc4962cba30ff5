#include "middleware/xtypes/ValueLifetime.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"

#include <cstring>
#include <new>
#include <string>

namespace Quorvel::xtypes::lifetime {

namespace {

// Applies `part` to each element of an array or each member of a structure or union, after
// carrying over a union's header and the presence bytes of optional members.
template <typename Source, typename Part>
void ForEachPart(const DataLayout& layout, std::byte* target, Source* source, Part part) {
    if (layout.shape == Shape::ARRAY) {
        for (uint32_t i = 0; i < layout.count; ++i)
            part(*layout.element, target + i * layout.stride, source + i * layout.stride);
        return;
    }
    if (layout.shape == Shape::UNION) std::memcpy(target, source, kUnionHeaderSize);
    for (const FieldLayout& f : layout.fields) {
        if (f.optional) target[f.presenceOffset] = source[f.presenceOffset];
        part(*f.layout, target + f.offset, source + f.offset);
    }
}

// Applies `part` to each element of an array or each member of a structure or union.
template <typename Part>
void ForEachChild(const DataLayout& layout, std::byte* value, Part part) {
    if (layout.shape == Shape::ARRAY) {
        for (uint32_t i = 0; i < layout.count; ++i) part(*layout.element, value + i * layout.stride);
        return;
    }
    for (const FieldLayout& f : layout.fields) part(*f.layout, value + f.offset);
}

void WriteUnionHeader(const DataLayout& layout, std::byte* value) {
    const int64_t disc = layout.defaultDiscriminator;
    const int32_t selected = layout.SelectCase(disc);
    std::memcpy(value + kDiscriminatorOffset, &disc, sizeof disc);
    std::memcpy(value + kSelectedCaseOffset, &selected, sizeof selected);
}

}  // namespace

void Construct(const DataLayout& layout, std::byte* value) {
    if (layout.zeroDefault) {
        std::memset(value, 0, layout.size);
        return;
    }
    switch (layout.shape) {
        case Shape::ENUM: std::memcpy(value, &layout.enumDefault, 4); break;
        case Shape::STRING: new (value) std::string(); break;
        case Shape::WSTRING: new (value) std::u16string(); break;
        case Shape::SEQUENCE: new (value) SequenceSlot(*layout.element); break;
        case Shape::ARRAY:
        case Shape::STRUCTURE:
        case Shape::UNION:
            std::memset(value, 0, layout.size);
            if (layout.shape == Shape::UNION) WriteUnionHeader(layout, value);
            ForEachChild(layout, value, Construct);
            break;
        default: std::memset(value, 0, layout.size); break;
    }
}

void Destroy(const DataLayout& layout, std::byte* value) noexcept {
    if (layout.trivial) return;
    switch (layout.shape) {
        case Shape::STRING: SlotAs<std::string>(value).~basic_string(); break;
        case Shape::WSTRING: SlotAs<std::u16string>(value).~basic_string(); break;
        case Shape::SEQUENCE: SlotAs<SequenceSlot>(value).~SequenceSlot(); break;
        case Shape::ARRAY:
        case Shape::STRUCTURE:
        case Shape::UNION: ForEachChild(layout, value, Destroy); break;
        default: break;
    }
}

void Clear(const DataLayout& layout, std::byte* value) {
    if (layout.zeroDefault) {
        std::memset(value, 0, layout.size);
        return;
    }
    switch (layout.shape) {
        case Shape::ENUM: std::memcpy(value, &layout.enumDefault, 4); break;
        case Shape::STRING: SlotAs<std::string>(value).clear(); break;
        case Shape::WSTRING: SlotAs<std::u16string>(value).clear(); break;
        case Shape::SEQUENCE: SlotAs<SequenceSlot>(value).Resize(0); break;
        case Shape::ARRAY:
        case Shape::STRUCTURE:
        case Shape::UNION:
            if (layout.shape == Shape::UNION) WriteUnionHeader(layout, value);
            for (const FieldLayout& f : layout.fields)
                if (f.optional) value[f.presenceOffset] = std::byte{0};
            ForEachChild(layout, value, Clear);
            break;
        default: std::memset(value, 0, layout.size); break;
    }
}

void MoveAssign(const DataLayout& layout, std::byte* target, std::byte* source) noexcept {
    if (layout.trivial) {
        std::memcpy(target, source, layout.size);
        return;
    }
    switch (layout.shape) {
        case Shape::STRING: SlotAs<std::string>(target).swap(SlotAs<std::string>(source)); break;
        case Shape::WSTRING: SlotAs<std::u16string>(target).swap(SlotAs<std::u16string>(source)); break;
        case Shape::SEQUENCE: SlotAs<SequenceSlot>(target).swap(SlotAs<SequenceSlot>(source)); break;
        default: ForEachPart(layout, target, source, MoveAssign); break;
    }
}

void CopyAssign(const DataLayout& layout, std::byte* target, const std::byte* source) {
    if (layout.trivial) {
        std::memcpy(target, source, layout.size);
        return;
    }
    switch (layout.shape) {
        case Shape::STRING: SlotAs<std::string>(target) = SlotAs<std::string>(source); break;
        case Shape::WSTRING: SlotAs<std::u16string>(target) = SlotAs<std::u16string>(source); break;
        case Shape::SEQUENCE: {
            const auto& from = SlotAs<SequenceSlot>(source);
            auto& to = SlotAs<SequenceSlot>(target);
            to.ResizeForOverwrite(from.length());
            const uint32_t stride = layout.stride;
            for (uint32_t i = 0; i < from.length(); ++i)
                CopyAssign(*layout.element, to.data() + i * stride, from.data() + i * stride);
            break;
        }
        default: ForEachPart(layout, target, source, CopyAssign); break;
    }
}

}  // namespace Quorvel::xtypes::lifetime
