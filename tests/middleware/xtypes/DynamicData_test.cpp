// DynamicData: defaults, typed access, 1-based indexes, unions, optionals, collections, copies.

#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicType.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace Quorvel::xtypes {
namespace {

::testing::AssertionResult JsonEq(const std::string& actual, const std::string& expected) {
    if (nlohmann::json::parse(actual) == nlohmann::json::parse(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n  actual:   " << actual << "\n  expected: " << expected;
}

DynamicTypePtr P(TypeKind kind) { return DynamicType::Primitive(kind); }

Member Mem(std::string name, DynamicTypePtr type, bool optional = false) {
    Member m;
    m.name = std::move(name);
    m.type = std::move(type);
    m.optional = optional;
    return m;
}

Member CaseOf(std::string name, DynamicTypePtr type, std::vector<int64_t> labels, bool isDefault = false) {
    Member m = Mem(std::move(name), std::move(type));
    m.labels = std::move(labels);
    m.isDefault = isDefault;
    return m;
}

DynamicTypePtr Point() {
    return DynamicType::Structure("Point", {Mem("x", P(TypeKind::FLOAT64)), Mem("y", P(TypeKind::FLOAT64))},
                                  Extensibility::FINAL);
}

DynamicTypePtr Level() { return DynamicType::Enumeration("Level", {{"LOW", 5}, {"HIGH", 9}}); }

DynamicTypePtr Shape() {
    return DynamicType::Union("Shape", P(TypeKind::INT16),
                              {CaseOf("radius", P(TypeKind::FLOAT32), {1, 2}), CaseOf("corner", Point(), {3}),
                               CaseOf("label", DynamicType::String(4), {}, true)},
                              Extensibility::FINAL);
}

DynamicTypePtr Sample() {
    return DynamicType::Structure(
        "Sample",
        {Mem("id", DynamicType::Alias("Id", P(TypeKind::INT32))), Mem("level", Level()), Mem("name", DynamicType::String(5)),
         Mem("wname", DynamicType::WString()), Mem("wch", P(TypeKind::CHAR16)), Mem("big", P(TypeKind::FLOAT128)),
         Mem("pos", Point()), Mem("shape", Shape()), Mem("list", DynamicType::Sequence(P(TypeKind::INT32), 3)),
         Mem("points", DynamicType::Sequence(Point())), Mem("grid", DynamicType::Array(P(TypeKind::INT16), {2, 2})),
         Mem("maybe", Point(), true)},
        Extensibility::APPENDABLE);
}

TEST(DynamicData, DefaultsFollowTheType) {
    DynamicData d(Sample());
    // Enumerations start at their first enumerator, unions at the default case, optional
    // members absent, sequences empty.
    EXPECT_TRUE(JsonEq(ToText(d), R"({"id":0,"level":5,"name":"","wname":"","wch":0,"big":0,"pos":{"x":0,"y":0},)"
                         R"("shape":{"discriminator":0,"label":""},"list":[],"points":[],"grid":[[0,0],[0,0]]})"));
    EXPECT_EQ(d.member_count(), 12u);
    EXPECT_FALSE(d.member_exists("maybe"));
    EXPECT_TRUE(d.member_exists(1u));
    EXPECT_FALSE(d.member_exists(13u));
    EXPECT_FALSE(d.member_exists(0u));
}

TEST(DynamicData, MembersAreNumberedFromOneWithResolvedKinds) {
    DynamicData d(Sample());
    const std::vector<std::pair<const char*, TypeKind>> expected = {
        {"id", TypeKind::INT32},       {"level", TypeKind::ENUMERATION}, {"name", TypeKind::STRING},
        {"wname", TypeKind::WSTRING},  {"wch", TypeKind::CHAR16},         {"big", TypeKind::FLOAT128},
        {"pos", TypeKind::STRUCTURE},  {"shape", TypeKind::UNION},        {"list", TypeKind::SEQUENCE},
        {"points", TypeKind::SEQUENCE}, {"grid", TypeKind::ARRAY},        {"maybe", TypeKind::STRUCTURE}};
    for (uint32_t i = 1; i <= d.member_count(); ++i) {
        const MemberInfo info = d.member_info(i);
        EXPECT_EQ(info.index, i);
        EXPECT_EQ(info.name, expected[i - 1].first);
        EXPECT_EQ(info.member_kind(), expected[i - 1].second) << info.name;
        EXPECT_EQ(d.member_index(info.name), i);
    }
    EXPECT_EQ(d.member_info("points").element_kind, TypeKind::STRUCTURE);
    EXPECT_TRUE(d.member_info("maybe").optional);
    EXPECT_EQ(d.type_kind(), TypeKind::STRUCTURE);
    EXPECT_THROW(d.member_info(13u), std::runtime_error);
    EXPECT_THROW(d.member_index("nope"), std::runtime_error);
}

TEST(DynamicData, TypedAccessAcceptsOnlyMatchingKinds) {
    DynamicData d(Sample());
    d.value<int32_t>("id", -5);
    EXPECT_EQ(d.value<int32_t>(1u), -5);
    d.value<int32_t>("level", 9);  // enumerations by ordinal
    EXPECT_EQ(d.value<uint32_t>("level"), 9u);
    d.value<char16_t>("wch", u'\u263a');
    EXPECT_EQ(d.value<uint16_t>("wch"), 0x263a);  // wchar read as unsigned short
    d.value<long double>("big", -0.375L);
    EXPECT_EQ(d.value<long double>("big"), -0.375L);
    EXPECT_THROW(d.value<int16_t>("id"), std::runtime_error);
    EXPECT_THROW(d.value<double>("name"), std::runtime_error);
    EXPECT_THROW(d.value<std::string>("id", "x"), std::runtime_error);
    EXPECT_THROW(d.value<int32_t>("pos"), std::runtime_error);
    // A string longer than its bound is refused and the old value stays.
    d.value<std::string>("name", "abcde");
    EXPECT_THROW(d.value<std::string>("name", "abcdef"), std::runtime_error);
    EXPECT_EQ(d.value<std::string>("name"), "abcde");
    EXPECT_EQ(d.string_view(3u), "abcde");
}

TEST(DynamicData, WideStringsAsSixteenBitUnits) {
    DynamicData d(Sample());
    d.set_values("wname", {'h', 0x263a, 0});
    std::vector<uint16_t> units;
    d.get_values("wname", units);
    EXPECT_EQ(units, (std::vector<uint16_t>{'h', 0x263a, 0}));  // content, then the terminator
    EXPECT_THROW(d.get_values("name", units), std::runtime_error);
}

TEST(DynamicData, UnionSelectionFollowsWrites) {
    DynamicData d(Sample());
    auto shape = d.loan_value("shape");
    EXPECT_EQ(shape.member_count(), 1u);
    EXPECT_EQ(shape.selected_member_index(), 3u);
    shape.value<float>("radius", 2.5f);
    EXPECT_EQ(shape.discriminator_value(), 1);  // the first label of the case
    EXPECT_TRUE(shape.member_exists("radius"));
    EXPECT_FALSE(shape.member_exists("label"));
    EXPECT_THROW(shape.value<std::string>("label"), std::runtime_error);
    shape.discriminator_value(2);  // another label of the same case keeps its value
    EXPECT_EQ(shape.value<float>("radius"), 2.5f);
    shape.loan_value("corner").value<double>("x", 4);
    EXPECT_EQ(shape.discriminator_value(), 3);
    shape.discriminator_value(1);
    shape.discriminator_value(3);  // selecting the case again starts from its defaults
    EXPECT_TRUE(JsonEq(ToText(shape), R"({"discriminator":3,"corner":{"x":0,"y":0}})"));
    shape.discriminator_value(77);  // no label: the default case
    EXPECT_EQ(shape.selected_member_index(), 3u);
}

TEST(DynamicData, OptionalMembersAppearWhenWritten) {
    DynamicData d(Sample());
    d.loan_value("maybe").value<double>("x", 1.0);
    EXPECT_TRUE(d.member_exists("maybe"));
    d.clear_optional_member(d.member_index("maybe"));
    EXPECT_FALSE(d.member_exists("maybe"));
    d.loan_value("maybe").value<double>("y", 2.0);  // present again, from defaults
    EXPECT_TRUE(JsonEq(ToText(d.loan_value("maybe")), R"({"x":0,"y":2})"));
    EXPECT_THROW(d.clear_optional_member(1u), std::runtime_error);
}

TEST(DynamicData, SequencesGrowWithinTheirBound) {
    DynamicData d(Sample());
    auto list = d.loan_value("list");
    list.value<int32_t>(2u, 20);  // element 2 of an empty sequence: grows to 2
    EXPECT_EQ(list.member_count(), 2u);
    EXPECT_EQ(list.value<int32_t>(1u), 0);
    EXPECT_THROW(list.value<int32_t>(4u, 1), std::runtime_error);  // bound 3
    EXPECT_EQ(list.member_count(), 2u);
    EXPECT_THROW(list.value<int32_t>(3u), std::runtime_error);  // past the length
    EXPECT_THROW(list.set_length(4), std::runtime_error);
    list.set_length(3);
    EXPECT_TRUE(JsonEq(ToText(list), "[0,20,0]"));
    list.set_length(1);
    list.set_length(2);  // elements that come back hold defaults
    EXPECT_TRUE(JsonEq(ToText(list), "[0,0]"));

    auto points = d.loan_value("points");
    for (uint32_t i = 1; i <= 50; ++i) points.loan_value(i).value<double>("y", i);
    EXPECT_EQ(points.member_count(), 50u);
    EXPECT_EQ(points.loan_value(50u).value<double>("y"), 50.0);

    std::vector<int32_t> values;
    list.get_values(values);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 0}));
    std::vector<double> wrong;
    EXPECT_THROW(list.get_values(wrong), std::runtime_error);

    auto grid = d.loan_value("grid");
    EXPECT_EQ(grid.member_count(), 4u);
    grid.value<int16_t>(4u, 7);
    EXPECT_THROW(grid.value<int16_t>(5u, 1), std::runtime_error);
    EXPECT_TRUE(JsonEq(ToText(grid), "[[0,0],[0,7]]"));
    std::vector<int16_t> cells;
    grid.get_values(cells);
    EXPECT_EQ(cells, (std::vector<int16_t>{0, 0, 0, 7}));
}

TEST(DynamicData, CopiesAreDeepAndClearResets) {
    DynamicData d(Sample());
    d.value<std::string>("name", "abc");
    d.loan_value("points").loan_value(2u).value<double>("x", 3);
    d.loan_value("maybe").value<double>("x", 1);
    DynamicData copy(d);
    d.value<std::string>("name", "zz");
    d.loan_value("points").set_length(0);
    EXPECT_EQ(copy.value<std::string>("name"), "abc");
    EXPECT_TRUE(JsonEq(ToText(copy.loan_value("points")), R"([{"x":0,"y":0},{"x":3,"y":0}])"));
    DynamicData moved(std::move(copy));
    EXPECT_TRUE(moved.member_exists("maybe"));
    moved.clear_all_members();
    EXPECT_EQ(ToText(moved), ToText(DynamicData(Sample())));
}

TEST(DynamicData, ReadingLoansChangeNothing) {
    DynamicData d(Sample());
    const DynamicData& reader = d;
    EXPECT_THROW(reader.loan_value("maybe"), std::runtime_error);  // unset optional
    EXPECT_FALSE(d.member_exists("maybe"));
    EXPECT_THROW(reader.loan_value("points").loan_value(1u), std::runtime_error);  // past the length
    EXPECT_EQ(d.loan_value("points").member_count(), 0u);
    EXPECT_THROW(reader.loan_value("shape").loan_value("corner"), std::runtime_error);  // not selected
    EXPECT_EQ(d.loan_value("shape").selected_member_index(), 3u);
    EXPECT_EQ(reader.loan_value("pos").value<double>("x"), 0.0);
}

TEST(DynamicData, LoansOfLeavesAreRefused) {
    DynamicData d(Sample());
    EXPECT_THROW(d.loan_value("id"), std::runtime_error);
    EXPECT_THROW(d.loan_value("name"), std::runtime_error);
    EXPECT_THROW(d.discriminator_value(), std::runtime_error);
}

}  // namespace
}  // namespace Quorvel::xtypes
