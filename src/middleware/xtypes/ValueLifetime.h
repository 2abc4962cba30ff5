#pragma once

// Lifetime of values stored by DataLayout: raw bytes become a default value, values are reset,
// moved and destroyed. The one place that knows which shapes own resources.

#include <cstddef>

namespace Quorvel::xtypes {

class DataLayout;

namespace lifetime {

// Raw storage -> a value holding the type's defaults.
void Construct(const DataLayout& layout, std::byte* value);
void Destroy(const DataLayout& layout, std::byte* value) noexcept;
// An existing value -> the type's defaults, keeping the capacity of strings and sequences.
void Clear(const DataLayout& layout, std::byte* value);
// `target` takes the content of `source` (both constructed; `source` stays valid).
void MoveAssign(const DataLayout& layout, std::byte* target, std::byte* source) noexcept;
void CopyAssign(const DataLayout& layout, std::byte* target, const std::byte* source);

}  // namespace lifetime
}  // namespace Quorvel::xtypes
