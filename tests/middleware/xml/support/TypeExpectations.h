#pragma once

#include "middleware/xml/TypeLibrary.h"
#include "middleware/xtypes/DynamicType.h"

#include <filesystem>
#include <string>
#include <vector>

namespace Quorvel::xml::test {

std::filesystem::path TypesDir();

struct ExpectedMember {
    std::string name;
    std::string type;  // DynamicType::name() of the member type: encodes bounds and dimensions
    uint32_t id;
    bool key = false;
    bool optional = false;
};

// Compares every member (inherited ones first) by name, type name, id, key and optional.
void ExpectMembers(const xtypes::DynamicType& type, const std::vector<ExpectedMember>& expected);

struct ExpectedCase {
    std::string name;
    std::string type;
    std::vector<int64_t> labels;
    bool isDefault = false;
};

void ExpectCases(const xtypes::DynamicType& type, const std::vector<ExpectedCase>& expected);

// A one-line rendering of everything a named type holds, for comparing two loads.
std::string DescribeType(const xtypes::DynamicType& type);
// Every type of the library, described, in name order.
std::vector<std::string> DescribeLibrary(const TypeLibrary& library);

// The library's type or a test failure.
const xtypes::DynamicType& Get(const TypeLibrary& library, const std::string& name);

}  // namespace Quorvel::xml::test
