#include "middleware/xtypes/ValueLifetime.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/SequenceSlot.h"

#include <cstring>
#include <new>
#include <string>

namespace Quorvel::xtypes::lifetime {

namespace {

template <typename T>
T& As(std::byte* p) {
    return *std::launder(reinterpret_cast<T*>(p));
}
template <typename T>
const T& As(const std::byte* p) {
    return *std::launder(reinterpret_cast<const T*>(p));
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
            for (uint32_t i = 0; i < layout.count; ++i)
                Construct(*layout.element, value + i * layout.stride);
            break;
        case Shape::STRUCTURE:
        case Shape::UNION:
            std::memset(value, 0, layout.size);
            if (layout.shape == Shape::UNION) WriteUnionHeader(layout, value);
            for (const FieldLayout& f : layout.fields) Construct(*f.layout, value + f.offset);
            break;
        default: std::memset(value, 0, layout.size); break;
    }
}

void Destroy(const DataLayout& layout, std::byte* value) noexcept {
    if (layout.trivial) return;
    switch (layout.shape) {
        case Shape::STRING: As<std::string>(value).~basic_string(); break;
        case Shape::WSTRING: As<std::u16string>(value).~basic_string(); break;
        case Shape::SEQUENCE: As<SequenceSlot>(value).~SequenceSlot(); break;
        case Shape::ARRAY:
            for (uint32_t i = 0; i < layout.count; ++i)
                Destroy(*layout.element, value + i * layout.stride);
            break;
        case Shape::STRUCTURE:
        case Shape::UNION:
            for (const FieldLayout& f : layout.fields) Destroy(*f.layout, value + f.offset);
            break;
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
        case Shape::STRING: As<std::string>(value).clear(); break;
        case Shape::WSTRING: As<std::u16string>(value).clear(); break;
        case Shape::SEQUENCE: As<SequenceSlot>(value).Resize(0); break;
        case Shape::ARRAY:
            for (uint32_t i = 0; i < layout.count; ++i)
                Clear(*layout.element, value + i * layout.stride);
            break;
        case Shape::STRUCTURE:
        case Shape::UNION:
            if (layout.shape == Shape::UNION) WriteUnionHeader(layout, value);
            for (const FieldLayout& f : layout.fields) {
                if (f.optional) value[f.presenceOffset] = std::byte{0};
                Clear(*f.layout, value + f.offset);
            }
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
        case Shape::STRING: As<std::string>(target).swap(As<std::string>(source)); break;
        case Shape::WSTRING: As<std::u16string>(target).swap(As<std::u16string>(source)); break;
        case Shape::SEQUENCE: As<SequenceSlot>(target).swap(As<SequenceSlot>(source)); break;
        case Shape::ARRAY:
            for (uint32_t i = 0; i < layout.count; ++i)
                MoveAssign(*layout.element, target + i * layout.stride, source + i * layout.stride);
            break;
        case Shape::STRUCTURE:
        case Shape::UNION:
            if (layout.shape == Shape::UNION) std::memcpy(target, source, kUnionHeaderSize);
            for (const FieldLayout& f : layout.fields) {
                if (f.optional) target[f.presenceOffset] = source[f.presenceOffset];
                MoveAssign(*f.layout, target + f.offset, source + f.offset);
            }
            break;
        default: break;
    }
}

void CopyAssign(const DataLayout& layout, std::byte* target, const std::byte* source) {
    if (layout.trivial) {
        std::memcpy(target, source, layout.size);
        return;
    }
    switch (layout.shape) {
        case Shape::STRING: As<std::string>(target) = As<std::string>(source); break;
        case Shape::WSTRING: As<std::u16string>(target) = As<std::u16string>(source); break;
        case Shape::SEQUENCE: {
            const auto& from = As<SequenceSlot>(source);
            auto& to = As<SequenceSlot>(target);
            to.ResizeForOverwrite(from.length());
            const uint32_t stride = layout.stride;
            for (uint32_t i = 0; i < from.length(); ++i)
                CopyAssign(*layout.element, to.data() + i * stride, from.data() + i * stride);
            break;
        }
        case Shape::ARRAY:
            for (uint32_t i = 0; i < layout.count; ++i)
                CopyAssign(*layout.element, target + i * layout.stride, source + i * layout.stride);
            break;
        case Shape::STRUCTURE:
        case Shape::UNION:
            if (layout.shape == Shape::UNION) std::memcpy(target, source, kUnionHeaderSize);
            for (const FieldLayout& f : layout.fields) {
                if (f.optional) target[f.presenceOffset] = source[f.presenceOffset];
                CopyAssign(*f.layout, target + f.offset, source + f.offset);
            }
            break;
        default: break;
    }
}

}  // namespace Quorvel::xtypes::lifetime
