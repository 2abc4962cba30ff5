#pragma once

// The object a DataLayout slot holds (a std::string, std::u16string or SequenceSlot
// constructed in place inside a sample's storage).

#include <cstddef>
#include <new>

namespace Quorvel::xtypes {

template <typename T>
T& SlotAs(std::byte* slot) {
    return *std::launder(reinterpret_cast<T*>(slot));
}

template <typename T>
const T& SlotAs(const std::byte* slot) {
    return *std::launder(reinterpret_cast<const T*>(slot));
}

}  // namespace Quorvel::xtypes
