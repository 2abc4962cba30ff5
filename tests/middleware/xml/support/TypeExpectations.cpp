#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace Quorvel::xml::test {

using xtypes::DynamicType;
using xtypes::TypeKind;

std::filesystem::path TypesDir() { return std::filesystem::path(VELTRANE_TEST_DATA_DIR) / "types"; }

void ExpectMembers(const DynamicType& type, const std::vector<ExpectedMember>& expected) {
    const auto& members = type.all_members();
    ASSERT_EQ(members.size(), expected.size()) << type.name();
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(type.name() + "." + expected[i].name);
        EXPECT_EQ(members[i].name, expected[i].name);
        EXPECT_EQ(members[i].type->name(), expected[i].type);
        EXPECT_EQ(members[i].id, expected[i].id);
        EXPECT_EQ(members[i].key, expected[i].key);
        EXPECT_EQ(members[i].optional, expected[i].optional);
    }
}

void ExpectCases(const DynamicType& type, const std::vector<ExpectedCase>& expected) {
    ASSERT_EQ(type.kind(), TypeKind::UNION) << type.name();
    const auto& cases = type.members();
    ASSERT_EQ(cases.size(), expected.size()) << type.name();
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(type.name() + "." + expected[i].name);
        EXPECT_EQ(cases[i].name, expected[i].name);
        EXPECT_EQ(cases[i].type->name(), expected[i].type);
        EXPECT_EQ(cases[i].labels, expected[i].labels);
        EXPECT_EQ(cases[i].isDefault, expected[i].isDefault);
    }
}

std::string DescribeType(const DynamicType& type) {
    std::ostringstream out;
    out << type.name() << " " << xtypes::TypeKindName(type.kind()) << " ext="
        << static_cast<int>(type.extensibility());
    switch (type.kind()) {
        case TypeKind::ALIAS: out << " = " << type.related_type()->name(); break;
        case TypeKind::STRUCTURE:
        case TypeKind::UNION:
            if (type.has_parent()) out << " : " << type.parent()->name();
            if (type.kind() == TypeKind::UNION) out << " switch " << type.discriminator()->name();
            for (const auto& m : type.all_members()) {
                out << " | " << m.name << ":" << m.type->name() << "@" << m.id << (m.key ? " key" : "")
                    << (m.optional ? " opt" : "") << (m.isDefault ? " default" : "");
                for (int64_t label : m.labels) out << " " << label;
            }
            break;
        case TypeKind::ENUMERATION:
            out << " bits=" << type.bit_bound();
            for (const auto& e : type.enumerators()) out << " " << e.name << "=" << e.value;
            break;
        case TypeKind::BITMASK:
            out << " bits=" << type.bit_bound();
            for (const auto& f : type.flags()) out << " " << f.name << "@" << f.position;
            break;
        case TypeKind::BITSET:
            for (const auto& f : type.bitfields())
                out << " " << f.name << ":" << f.bitCount << ":" << xtypes::TypeKindName(f.kind);
            break;
        default: break;
    }
    return out.str();
}

std::vector<std::string> DescribeLibrary(const TypeLibrary& library) {
    std::vector<std::string> names = library.Names();
    std::sort(names.begin(), names.end());
    std::vector<std::string> described;
    for (const std::string& name : names) described.push_back(DescribeType(*library.Find(name)));
    return described;
}

const DynamicType& Get(const TypeLibrary& library, const std::string& name) {
    const auto type = library.Find(name);
    if (!type) throw std::runtime_error("test: type " + name + " is not in the library");
    return *type;
}

}  // namespace Quorvel::xml::test
