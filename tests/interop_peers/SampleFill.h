#pragma once

// Helpers that fill idlc-generated C samples. Every buffer comes from dds_alloc or
// dds_string_dup so that dds_sample_free can release it through the type descriptor.

#include <dds/dds.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace Quorvel::InteropPeers {

template <typename T>
using Limits = std::numeric_limits<T>;

inline void SetText(char*& field, std::string_view text) {
    dds_free(field);
    field = dds_string_dup(std::string(text).c_str());
}

template <std::size_t N>
void SetBoundedText(char (&field)[N], std::string_view text) {
    if (text.size() >= N) {
        throw std::length_error("text \"" + std::string(text) + "\" exceeds its bound " +
                                std::to_string(N - 1));
    }
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
}

template <typename T>
T* NewOptional(const T& value) {
    auto* member = static_cast<T*>(dds_alloc(sizeof(T)));
    *member = value;
    return member;
}

template <typename Sequence>
using ElementOf = std::remove_pointer_t<decltype(Sequence::_buffer)>;

// Gives `sequence` a zeroed buffer of `length` elements; an empty sequence keeps no buffer.
template <typename Sequence>
auto* ResizeSequence(Sequence& sequence, uint32_t length) {
    using Element = ElementOf<Sequence>;
    sequence._buffer =
        length == 0 ? nullptr : static_cast<Element*>(dds_alloc(sizeof(Element) * length));
    sequence._length = length;
    sequence._maximum = length;
    sequence._release = true;
    return sequence._buffer;
}

template <typename Sequence>
void SetSequence(Sequence& sequence, std::initializer_list<ElementOf<Sequence>> values) {
    auto* element = ResizeSequence(sequence, static_cast<uint32_t>(values.size()));
    for (const auto& value : values) {
        *element++ = value;
    }
}

template <typename Sequence>
void SetTextSequence(Sequence& sequence, std::initializer_list<std::string_view> texts) {
    auto* element = ResizeSequence(sequence, static_cast<uint32_t>(texts.size()));
    for (std::string_view text : texts) {
        SetText(*element++, text);
    }
}

template <typename Sequence>
void SetBoundedTextSequence(Sequence& sequence, std::initializer_list<std::string_view> texts) {
    auto* element = ResizeSequence(sequence, static_cast<uint32_t>(texts.size()));
    for (std::string_view text : texts) {
        SetBoundedText(*element++, text);
    }
}

}  // namespace Quorvel::InteropPeers
