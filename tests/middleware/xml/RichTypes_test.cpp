// The rich type files that the Cyclone DDS peer's IDL mirrors load as that IDL declares them.

#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

namespace Quorvel::xml::test {
namespace {

using xtypes::Extensibility;
using xtypes::TypeKind;

TEST(RichTypes, LoadAlikeAloneAndInDirectoryWalkOrder) {
    const auto rich = TypesDir() / "rich";
    XmlTypeReader alone;
    alone.ReadFile(rich / "RichTypes.xml");
    XmlTypeReader walked;  // the included file comes second and is not read again
    walked.ReadFile(rich / "RichTypes.xml");
    walked.ReadFile(rich / "common/RichCommon.xml");
    const TypeLibrary library = alone.BuildLibrary();
    EXPECT_EQ(DescribeLibrary(walked.BuildLibrary()), DescribeLibrary(library));

    ExpectMembers(Get(library, "Rich::MutableRecord"),
                  {{"station", "Rich::Name", 10, true}, {"region", "long", 11, true},
                   {"temperature", "double", 100}, {"active", "boolean", 101},
                   {"counter", "unsigned long long", 200, false, true},
                   {"position", "Rich::Geo::Point", 201, false, true},
                   {"notes", "sequence<string>", 202, false, true}, {"nested", "Rich::Settings", 203},
                   {"choice", "Rich::LongChoice", 204}, {"prims", "Rich::Primitives", 205},
                   {"blob", "octet[3]", 206}, {"altitude", "short", 207}});
    EXPECT_EQ(Get(library, "Rich::MutableRecord").extensibility(), Extensibility::MUTABLE);
    ExpectMembers(Get(library, "Rich::Settings"),
                  {{"mode", "long", 1}, {"gain", "double", 7, false, true}, {"tag", "Rich::Name", 20},
                   {"levels", "sequence<short>", 21}});
    ExpectMembers(Get(library, "Rich::Geo::Zone"), {{"zone_id", "short", 0, true}, {"zone_name", "Rich::Name", 1}});

    const auto& finalAll = Get(library, "Rich::FinalAll");
    EXPECT_EQ(finalAll.member_count(), 29u);
    const std::pair<const char*, const char*> shapes[] = {
        {"cells", "Rich::Grid"}, {"matrix", "double[2][2]"}, {"code", "char[4]"},
        {"bounded_shorts", "sequence<short, 4>"}, {"bounded_names", "sequence<Rich::Name, 3>"},
        {"nested_longs", "sequence<Rich::LongSeq>"}, {"long_rows", "sequence<long>[2]"},
        {"corners", "Rich::Geo::Point[2]"}};
    for (const auto& [member, type] : shapes)
        EXPECT_EQ(finalAll.all_members().at(finalAll.FindMemberIndex(member)).type->name(), type) << member;
    EXPECT_EQ(Get(library, "Rich::Grid").Resolve().dimensions(), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(Get(library, "Rich::Label").Resolve().bound(), 16u);

    const auto& record = Get(library, "Rich::AppendableRecord");
    EXPECT_EQ(record.parent(), library.Find("Rich::AppendableBase"));
    EXPECT_EQ(record.member_count(), 11u);
    EXPECT_EQ(Get(library, "Rich::Level").FindEnumerator("HIGH")->value, 11);
    ExpectCases(Get(library, "Rich::ColorChoice"),
                {{"red_count", "long", {0}}, {"green_level", "double", {1}}, {"other_text", "string", {}, true}});
    EXPECT_EQ(Get(library, "Rich::CharChoice").discriminator()->kind(), TypeKind::CHAR8);
}

}  // namespace
}  // namespace Quorvel::xml::test
