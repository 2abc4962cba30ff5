#include "middleware/xml/XmlTypeNames.h"

#include <array>
#include <utility>

namespace Quorvel::xml {

namespace {

using xtypes::TypeKind;

// char32 maps to a 32-bit integer: the type files use it for wide characters that the
// middleware has no kind for.
constexpr std::array<std::pair<std::string_view, TypeKind>, 30> kXmlTypeNames{{
    {"boolean", TypeKind::BOOLEAN},
    {"byte", TypeKind::BYTE},
    {"octet", TypeKind::BYTE},
    {"uint8", TypeKind::BYTE},
    {"int8", TypeKind::BYTE},
    {"int16", TypeKind::INT16},
    {"short", TypeKind::INT16},
    {"uint16", TypeKind::UINT16},
    {"unsignedShort", TypeKind::UINT16},
    {"int32", TypeKind::INT32},
    {"long", TypeKind::INT32},
    {"char32", TypeKind::INT32},
    {"uint32", TypeKind::UINT32},
    {"unsignedLong", TypeKind::UINT32},
    {"int64", TypeKind::INT64},
    {"longLong", TypeKind::INT64},
    {"uint64", TypeKind::UINT64},
    {"unsignedLongLong", TypeKind::UINT64},
    {"float32", TypeKind::FLOAT32},
    {"float", TypeKind::FLOAT32},
    {"float64", TypeKind::FLOAT64},
    {"double", TypeKind::FLOAT64},
    {"float128", TypeKind::FLOAT128},
    {"longDouble", TypeKind::FLOAT128},
    {"char8", TypeKind::CHAR8},
    {"char", TypeKind::CHAR8},
    {"char16", TypeKind::CHAR16},
    {"wchar", TypeKind::CHAR16},
    {"string", TypeKind::STRING},
    {"wstring", TypeKind::WSTRING},
}};

}  // namespace

TypeKind ConvertTypeDefToEnumDef(std::string_view xmlTypeName) {
    for (const auto& [name, kind] : kXmlTypeNames)
        if (name == xmlTypeName) return kind;
    return TypeKind::NO_TYPE;
}

TypeKind MemberTypeKind(std::string_view xmlTypeName) {
    return xmlTypeName == "int8" ? TypeKind::INT8 : ConvertTypeDefToEnumDef(xmlTypeName);
}

}  // namespace Quorvel::xml
