#pragma once

// The quick way for JSON numbers and booleans into integral, boolean and double members and
// elements: a value stored as it is when it fits the target exactly, which is what the text
// path would store for it. Anything else (a text, a float for an integer, a value out of the
// target's range, any other kind) is not stored, and the caller takes the text path with its
// checks and messages.

#include "middleware/xtypes/DynamicDataRef.h"
#include "middleware/xtypes/TypeKind.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <cstdint>

namespace Quorvel::injection {

// Member or element `index` of `data`; false when the value was not stored.
bool StoreDirectly(xtypes::DynamicDataRef data, std::uint32_t index, xtypes::TypeKind kind,
                   const nlohmann::ordered_json& value);

// The leading elements of the sequence or array `collection` (already sized to hold `count`
// elements of `kind`) from values[0 .. count): stored one after the other straight into the
// collection's element block until the first value that does not fit. Returns how many were
// stored; the rest are the caller's.
std::size_t StoreLeadingElements(xtypes::DynamicDataRef collection, xtypes::TypeKind kind,
                                 const nlohmann::ordered_json* values, std::size_t count);

// The same from bytes[0 .. count), numbers from 0 to 255 (a packed array, see ReadJsonFast):
// all of them into elements of integral kinds, none into any other.
std::size_t StoreLeadingBytes(xtypes::DynamicDataRef collection, xtypes::TypeKind kind,
                              const std::uint8_t* bytes, std::size_t count);

}  // namespace Quorvel::injection
