#pragma once

// The type names of DDS XML type files and the type kinds they stand for.

#include "middleware/xtypes/TypeKind.h"

#include <string_view>

namespace Quorvel::xml {

// Kind of an XML basic type name ("int32", "unsignedLong", "string", ...); every spelling that
// real type files use is accepted. NO_TYPE for anything else, including "nonBasic".
xtypes::TypeKind ConvertTypeDefToEnumDef(std::string_view xmlTypeName);

}  // namespace Quorvel::xml
