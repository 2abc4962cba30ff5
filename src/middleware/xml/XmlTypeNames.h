#pragma once

// The type names of DDS XML type files and the type kinds they stand for.

#include "middleware/xtypes/TypeKind.h"

#include <string_view>

namespace Quorvel::xml {

// Kind of an XML basic type name ("int32", "unsignedLong", "string", ...); every spelling that
// real type files use is accepted. NO_TYPE for anything else, including "nonBasic".
xtypes::TypeKind ConvertTypeDefToEnumDef(std::string_view xmlTypeName);

// Kind a member, element or discriminator of that XML type name gets in a DynamicType. As
// ConvertTypeDefToEnumDef, except that "int8" is the signed INT8: the table above is a fixed
// contract of the metadata checks (int8 -> byte), but a sample must decode -5 as -5, not 251.
xtypes::TypeKind MemberTypeKind(std::string_view xmlTypeName);

}  // namespace Quorvel::xml
