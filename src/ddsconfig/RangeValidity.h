#pragma once

#include "middleware/xtypes/TypeKind.h"

#include <string>

namespace Quorvel::ddsconfig {

struct DDSXmlMetadata;

// True when the min / max / default annotations of `member` are consistent for a value of
// `kind`: each converts to the kind, min <= max and min <= default <= max (an absent bound is
// the kind's lowest or highest value), and an optional member has no default. Only the
// primitive kinds (boolean .. char16) take ranges; any other kind fails. BYTE is an unsigned
// octet unless `signedByte` (the type file said int8). Logs why it fails.
bool CheckRangesValidity(const DDSXmlMetadata& metadata, const std::string& member,
                         xtypes::TypeKind kind, bool signedByte = false);

}  // namespace Quorvel::ddsconfig
