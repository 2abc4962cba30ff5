#pragma once

// The key of a keyed structure as a structure of its own: its key members in declaration order
// (base members first), a nested structure with keys of its own reduced to those, all marked
// key, final. Its plain CDR body is the serialized key that Cyclone puts in a dispose or
// unregister (DDS-XTypes 1.3, 7.6.8), and its key hash is the original type's.

#include "middleware/xtypes/DynamicType.h"

namespace Quorvel::Transport {

// Null for a type without key members.
xtypes::DynamicTypePtr KeyOnlyType(const xtypes::DynamicType& type);

}  // namespace Quorvel::Transport
