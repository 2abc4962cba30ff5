#include "middleware/xml/XmlTypeNames.h"

#include <gtest/gtest.h>

namespace Quorvel::xml {
namespace {

using xtypes::TypeKind;

TEST(XmlTypeNames, EverySpellingMapsToItsKind) {
    const std::pair<const char*, TypeKind> table[] = {
        {"boolean", TypeKind::BOOLEAN},
        {"byte", TypeKind::BYTE}, {"octet", TypeKind::BYTE}, {"uint8", TypeKind::BYTE}, {"int8", TypeKind::BYTE},
        {"int16", TypeKind::INT16}, {"short", TypeKind::INT16},
        {"uint16", TypeKind::UINT16}, {"unsignedShort", TypeKind::UINT16},
        {"int32", TypeKind::INT32}, {"long", TypeKind::INT32}, {"char32", TypeKind::INT32},
        {"uint32", TypeKind::UINT32}, {"unsignedLong", TypeKind::UINT32},
        {"int64", TypeKind::INT64}, {"longLong", TypeKind::INT64},
        {"uint64", TypeKind::UINT64}, {"unsignedLongLong", TypeKind::UINT64},
        {"float32", TypeKind::FLOAT32}, {"float", TypeKind::FLOAT32},
        {"float64", TypeKind::FLOAT64}, {"double", TypeKind::FLOAT64},
        {"float128", TypeKind::FLOAT128}, {"longDouble", TypeKind::FLOAT128},
        {"char8", TypeKind::CHAR8}, {"char", TypeKind::CHAR8},
        {"char16", TypeKind::CHAR16}, {"wchar", TypeKind::CHAR16},
        {"string", TypeKind::STRING}, {"wstring", TypeKind::WSTRING},
    };
    for (const auto& [name, kind] : table) {
        EXPECT_EQ(ConvertTypeDefToEnumDef(name), kind) << name;
        EXPECT_EQ(static_cast<uint32_t>(ConvertTypeDefToEnumDef(name)), static_cast<uint32_t>(kind)) << name;
    }
    // the numbers themselves are part of the contract
    EXPECT_EQ(static_cast<uint32_t>(ConvertTypeDefToEnumDef("char32")), 0x4005u);
    EXPECT_EQ(static_cast<uint32_t>(ConvertTypeDefToEnumDef("longDouble")), 0x400Bu);
    EXPECT_EQ(static_cast<uint32_t>(ConvertTypeDefToEnumDef("wstring")), 0x8208u);
}

TEST(XmlTypeNames, AnythingElseIsNoType) {
    for (const char* name : {"nonBasic", "", "Int32", "uint128", "string ", "Geo::Point", "unsigned long"})
        EXPECT_EQ(ConvertTypeDefToEnumDef(name), TypeKind::NO_TYPE) << name;
}

}  // namespace
}  // namespace Quorvel::xml
