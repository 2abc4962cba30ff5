// A generated library of 1,000 types, declared in reverse order of use and spread over
// several documents, loads completely; the elapsed time is printed, not asserted.

#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

namespace Quorvel::xml::test {
namespace {

constexpr int kTypes = 1000;
constexpr int kDocuments = 10;

// Type i (a struct) refers to type i+1, declared later; every tenth type is an enum or a
// typedef so that each kind of definition is on the path.
std::string Definition(int i) {
    const std::string name = "T" + std::to_string(i);
    if (i == kTypes - 1) return "<enum name=\"" + name + "\"><enumerator name=\"A\"/><enumerator name=\"B\"/></enum>";
    const std::string next = "Gen::M" + std::to_string((i + 1) % kDocuments) + "::T" + std::to_string(i + 1);
    if (i % 10 == 9)
        return "<typedef name=\"" + name + "\" type=\"nonBasic\" nonBasicTypeName=\"" + next +
               "\" sequenceMaxLength=\"SIZE\"/>";
    return "<struct name=\"" + name + "\" extensibility=\"final\"><member name=\"id\" type=\"int32\" key=\"true\"/>"
           "<member name=\"label\" type=\"string\" stringMaxLength=\"::LIMIT\"/>"
           "<member name=\"grid\" type=\"float64\" arrayDimensions=\"2,LIMIT\"/>"
           "<member name=\"next\" type=\"nonBasic\" nonBasicTypeName=\"" + next + "\"/></struct>";
}

std::vector<std::string> GenerateDocuments() {
    std::vector<std::string> documents(kDocuments);
    // A file-level const in the first document, and one per module that shadows nothing.
    for (int d = 0; d < kDocuments; ++d)
        documents[d] = std::string("<types>") + (d == 0 ? "<const name=\"LIMIT\" type=\"int32\" value=\"3\"/>" : "") +
                       "<module name=\"Gen\"><module name=\"M" + std::to_string(d) + "\"><const name=\"SIZE\" "
                       "type=\"int32\" value=\"" + std::to_string(d + 1) + "\"/>";
    for (int i = 0; i < kTypes; ++i) documents[i % kDocuments] += Definition(i);
    for (auto& document : documents) document += "</module></module></types>";
    return documents;
}

TEST(GeneratedLibrary, ThousandTypesLoadWithForwardReferences) {
    const std::vector<std::string> documents = GenerateDocuments();
    const auto start = std::chrono::steady_clock::now();
    XmlTypeReader reader;
    for (int d = kDocuments - 1; d >= 0; --d)
        reader.ReadText(documents[d], TypesDir(), "generated " + std::to_string(d));
    const TypeLibrary library = reader.BuildLibrary();
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    std::cout << "[ measured ] " << kTypes << " types in " << kDocuments << " documents loaded in "
              << elapsed.count() << " ms\n";

    ASSERT_EQ(library.size(), static_cast<size_t>(kTypes));
    const auto& t0 = Get(library, "Gen::M0::T0");
    ExpectMembers(t0, {{"id", "long", 0, true}, {"label", "string<3>", 1}, {"grid", "double[2][3]", 2},
                       {"next", "Gen::M1::T1", 3}});
    EXPECT_EQ(Get(library, "Gen::M9::T9").related_type()->name(), "sequence<Gen::M0::T10, 10>");
    EXPECT_EQ(Get(library, "Gen::M9::T9").Resolve().bound(), 10u);  // SIZE of module M9
    // Walk the whole chain down to the enum at its end.
    const xtypes::DynamicType* type = &t0;
    int steps = 0;
    while (type->kind() != xtypes::TypeKind::ENUMERATION) {
        type = type->kind() == xtypes::TypeKind::ALIAS ? type->related_type()->Resolve().content_type().get()
                                                       : type->all_members().back().type.get();
        ++steps;
    }
    EXPECT_EQ(steps, kTypes - 1);
    EXPECT_EQ(type->name(), "Gen::M9::T999");
}

}  // namespace
}  // namespace Quorvel::xml::test
