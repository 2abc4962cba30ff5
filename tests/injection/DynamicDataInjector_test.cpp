// Injection input into samples, without a network: every value kind parsed into the member it
// names, defaults where the input is silent, each input error by its exact message, and the
// shapes of map input (sequences by index, unions by selector, rows of 2-D arrays).

#include "injection/InjectionInput.h"
#include "injection/support/InjectionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel {
namespace {

using xtypes::DynamicData;
using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::Member;
using xtypes::TypeKind;

DynamicTypePtr Prim(TypeKind kind) { return DynamicType::Primitive(kind); }

using test::M;

Member Case(std::string name, DynamicTypePtr type, std::vector<std::int64_t> labels) {
  Member m = M(std::move(name), std::move(type));
  m.labels = std::move(labels);
  return m;
}

DynamicTypePtr SampleType() {
  const DynamicTypePtr color =
      DynamicType::Enumeration("Color", {{"RED", 1}, {"GREEN", 2}, {"BLUE", 5}});
  const DynamicTypePtr point = DynamicType::Structure(
      "Point", {M("x", Prim(TypeKind::INT32)), M("y", Prim(TypeKind::FLOAT64))}, Extensibility::FINAL);
  const DynamicTypePtr choice = DynamicType::Union(
      "Choice", Prim(TypeKind::INT32),
      {Case("speed", Prim(TypeKind::FLOAT32), {1}), Case("label", DynamicType::String(8), {2, 3}),
       Case("where", point, {4})},
      Extensibility::FINAL);
  const DynamicTypePtr colorChoice = DynamicType::Union(
      "ColorChoice", color,
      {Case("r", Prim(TypeKind::INT16), {1}), Case("g", Prim(TypeKind::BYTE), {2, 5})},
      Extensibility::FINAL);
  return DynamicType::Structure(
      "Sample",
      {M("flag", Prim(TypeKind::BOOLEAN)), M("octet", Prim(TypeKind::BYTE)),
       M("i8", Prim(TypeKind::INT8)), M("i16", Prim(TypeKind::INT16)),
       M("u16", Prim(TypeKind::UINT16)), M("i32", Prim(TypeKind::INT32), true),
       M("u32", Prim(TypeKind::UINT32)), M("i64", Prim(TypeKind::INT64)),
       M("u64", Prim(TypeKind::UINT64)), M("f32", Prim(TypeKind::FLOAT32)),
       M("f64", Prim(TypeKind::FLOAT64)), M("c", Prim(TypeKind::CHAR8)),
       M("wc", Prim(TypeKind::CHAR16)), M("name", DynamicType::String(4)),
       M("wname", DynamicType::WString(6)), M("color", color), M("pos", point),
       M("choice", choice), M("cchoice", colorChoice),
       M("list", DynamicType::Sequence(point, 3)),
       M("nums", DynamicType::Sequence(Prim(TypeKind::INT32))),
       M("grid", DynamicType::Array(Prim(TypeKind::INT16), {2, 3})),
       M("cube", DynamicType::Array(Prim(TypeKind::INT32), {2, 2, 2})),
       M("tag", DynamicType::Array(Prim(TypeKind::CHAR8), {8})),
       M("opt", Prim(TypeKind::INT32), false, true), M("ld", Prim(TypeKind::FLOAT128))},
      Extensibility::FINAL);
}

const TypeProcessor& Processor() {
  static const TypeProcessor processor("Sample", SampleType(), test::Formats{}.Flattening());
  return processor;
}

std::string Wrap(const std::string& members) { return R"({"SampleData":{)" + members + "}}"; }

std::string InjectionError(const std::string& json, bool reportUnusedFields = false) {
  try {
    test::InjectJson(Processor(), json, reportUnusedFields);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(DynamicDataInjector, MembersTheInputLeavesOutKeepTheirDefaults) {
  const DynamicData sample = test::InjectJson(Processor(), Wrap(R"("i32": 5)"));
  EXPECT_EQ(sample.value<std::int32_t>("i32"), 5);
  EXPECT_EQ(sample.value<double>("f64"), 0.0);
  EXPECT_FALSE(sample.value<bool>("flag"));
  EXPECT_EQ(sample.value<std::string>("name"), "");
  EXPECT_EQ(sample.loan_value("pos").value<std::int32_t>("x"), 0);
  EXPECT_EQ(sample.loan_value("nums").member_count(), 0u);
  EXPECT_FALSE(sample.member_exists("opt"));
}

TEST(DynamicDataInjector, EveryLeafKindIsParsedIntoItsMember) {
  const DynamicData sample = test::InjectJson(Processor(), Wrap(R"(
      "flag": "True", "octet": 200, "i8": "-5", "i16": -300, "u16": "65535", "i32": 7,
      "u32": 4000000000, "i64": "-9000000000", "u64": "18446744073709551615",
      "f32": 0.1, "f64": "0.10000000000000001", "c": "z", "wc": "é",
      "name": "abcd", "wname": "héllo", "color": "(5) - BLUE",
      "pos": {"x": 3, "y": -2.5}, "opt": "11")"));
  EXPECT_TRUE(sample.value<bool>("flag"));
  EXPECT_EQ(sample.value<std::uint8_t>("octet"), 200);
  EXPECT_EQ(sample.value<std::int8_t>("i8"), -5);
  EXPECT_EQ(sample.value<std::int16_t>("i16"), -300);
  EXPECT_EQ(sample.value<std::uint16_t>("u16"), 65535);
  EXPECT_EQ(sample.value<std::uint32_t>("u32"), 4000000000u);
  EXPECT_EQ(sample.value<std::int64_t>("i64"), -9000000000);
  EXPECT_EQ(sample.value<std::uint64_t>("u64"), 18446744073709551615u);
  EXPECT_EQ(sample.value<float>("f32"), 0.1f);
  EXPECT_EQ(sample.value<double>("f64"), 0.1);
  EXPECT_EQ(sample.value<char>("c"), 'z');
  EXPECT_EQ(sample.value<char16_t>("wc"), u'\u00e9');
  EXPECT_EQ(sample.value<std::string>("name"), "abcd");
  std::vector<std::uint16_t> wide;
  sample.get_values("wname", wide);
  EXPECT_EQ(wide, (std::vector<std::uint16_t>{'h', 0xE9, 'l', 'l', 'o', 0}));
  EXPECT_EQ(sample.value<std::int32_t>("color"), 5);
  EXPECT_EQ(sample.loan_value("pos").value<std::int32_t>("x"), 3);
  EXPECT_EQ(sample.loan_value("pos").value<double>("y"), -2.5);
  EXPECT_EQ(sample.value<std::int32_t>("opt"), 11);
}

TEST(DynamicDataInjector, BooleansTakeOneZeroAndTrueFalseInAnyCase) {
  const struct {
    const char* input;
    bool expected;
  } cases[] = {{R"("true")", true},  {R"("TRUE")", true},   {R"("tRuE")", true}, {"true", true},
               {R"("1")", true},     {"1", true},           {R"("false")", false},
               {R"("FALSE")", false}, {R"("0")", false},    {"false", false}};
  for (const auto& c : cases) {
    // Start from the opposite value so that a parse that is ignored shows.
    const std::string members = std::string(R"("flag": )") + c.input;
    EXPECT_EQ(test::InjectJson(Processor(), Wrap(members)).value<bool>("flag"), c.expected) << c.input;
  }
}

TEST(DynamicDataInjector, IntegersAreStoredInTheMemberWidthWithoutRangeCheck) {
  // Read as a 64-bit long, then stored in 16 bits: 70000 - 65536.
  EXPECT_EQ(test::InjectJson(Processor(), Wrap(R"("i16": "70000")")).value<std::int16_t>("i16"), 4464);
  EXPECT_EQ(test::InjectJson(Processor(), Wrap(R"("octet": "-1")")).value<std::uint8_t>("octet"), 255);
}

TEST(DynamicDataInjector, EnumerationsTakeTheValueAloneOrInValueAndNameForm) {
  for (const char* input : {"2", R"("2")", R"x("(2) - GREEN")x", R"x(" (2)")x"}) {
    EXPECT_EQ(test::InjectJson(Processor(), Wrap(std::string(R"("color": )") + input))
                  .value<std::int32_t>("color"),
              2)
        << input;
  }
}

TEST(DynamicDataInjector, UnionsSelectTheirCaseByDiscriminator) {
  DynamicData sample = test::InjectJson(
      Processor(), Wrap(R"("choice": {"discriminator": 3, "label": "abc"},
                           "cchoice": {"discriminator": "(5) - BLUE", "g": 9})"));
  EXPECT_EQ(sample.loan_value("choice").discriminator_value(), 3);
  EXPECT_EQ(sample.loan_value("choice").value<std::string>("label"), "abc");
  EXPECT_EQ(sample.loan_value("cchoice").discriminator_value(), 5);
  EXPECT_EQ(sample.loan_value("cchoice").value<std::uint8_t>("g"), 9);

  sample = test::InjectJson(Processor(),
                            Wrap(R"("choice": {"discriminator": 4, "where": {"x": -1, "y": 2}})"));
  EXPECT_EQ(sample.loan_value("choice").loan_value("where").value<std::int32_t>("x"), -1);
}

TEST(DynamicDataInjector, FlatMapsFillSequencesUnionsAndArrayRows) {
  const DynamicData sample = test::InjectMap(
      Processor(), {{"SampleData.nums[0]", "7"},
                    {"SampleData.nums[1]", "8"},
                    {"SampleData.list[0].x", "1"},
                    {"SampleData.list[1].y", "2.5"},
                    {"SampleData.choice.discriminator", "2"},
                    {"SampleData.choice.{_d=2/3}label", "xy"},
                    {"SampleData.grid[1][0]", "4"},
                    {"SampleData.grid[0][0]", "1"},
                    {"SampleData.grid[0][1]", "2"},
                    {"SampleData.grid[0][2]", "3"},
                    {"SampleData.tag[0]", "A"},
                    {"SampleData.tag[1]", "B"}});
  EXPECT_EQ(sample.loan_value("nums").member_count(), 2u);
  EXPECT_EQ(sample.loan_value("nums").value<std::int32_t>(1u), 7);
  EXPECT_EQ(sample.loan_value("nums").value<std::int32_t>(2u), 8);
  ASSERT_EQ(sample.loan_value("list").member_count(), 2u);
  EXPECT_EQ(sample.loan_value("list").loan_value(1u).value<std::int32_t>("x"), 1);
  EXPECT_EQ(sample.loan_value("list").loan_value(2u).value<double>("y"), 2.5);
  EXPECT_EQ(sample.loan_value("choice").discriminator_value(), 2);
  EXPECT_EQ(sample.loan_value("choice").value<std::string>("label"), "xy");
  EXPECT_EQ(sample.loan_value("grid").value<std::int16_t>(4u), 4);
  EXPECT_EQ(sample.loan_value("grid").value<std::int16_t>(3u), 3);
  EXPECT_EQ(sample.loan_value("tag").value<char>(2u), 'B');
}

TEST(DynamicDataInjector, TwoDimensionalArraysComeFlatOrAsRows) {
  for (const char* grid : {"[1,2,3,4,5,6]", "[[1,2,3],[4,5,6]]"}) {
    const DynamicData sample = test::InjectJson(Processor(), Wrap(std::string(R"("grid": )") + grid));
    std::vector<std::int16_t> values;
    sample.loan_value("grid").get_values(values);
    EXPECT_EQ(values, (std::vector<std::int16_t>{1, 2, 3, 4, 5, 6})) << grid;
  }
}

TEST(DynamicDataInjector, EachInputErrorHasItsMessage) {
  const struct {
    const char* members;
    const char* message;
  } cases[] = {
      {R"("i16": "abc")", "Erroneous value 'abc' provided for field 'SampleData.i16' Error = not an integer"},
      {R"("i32": "99999999999999999999")",
       "Erroneous value '99999999999999999999' provided for field 'SampleData.i32' Error = out of "
       "range [-9223372036854775808, 9223372036854775807]"},
      {R"("f32": "1e39")", "Erroneous value '1e39' provided for field 'SampleData.f32' Error = out of range"},
      {R"("pos": {"x": "1.5"})", "Erroneous value '1.5' provided for field 'SampleData.pos.x' Error = not an integer"},
      {R"("i16": "")", "Invalid empty input ('') provided for field: SampleData.i16"},
      {R"("flag": "yes")", "Erroneous value 'yes' provided for a boolean field 'SampleData.flag"},
      {R"("c": "ab")", "Out of range value 'ab'. Can only provide a single charecter as input."},
      {R"("wc": "ab")", "Out of range value 'ab'. Can only provide a single charecter as input."},
      {R"("name": "hello")",
       "Provided string value 'hello' on field 'SampleData.name is longer than its maximum '4"},
      {R"("wname": "abcdefg")",
       "Provided string value 'abcdefg' on field 'SampleData.wname is longer than its maximum '6"},
      {R"("color": "RED")", "Error parsing value 'RED' for enum field 'SampleData.color"},
      {R"("color": 3)", "Out of range value '3' was provided for enum field 'SampleData.color"},
      {R"("color": "(3) - RED")",
       "Out of range value '(3) - RED' was provided for enum field 'SampleData.color"},
      {R"("choice": {"discriminator": 9})",
       "Invalid discriminator value '9' was provided for field SampleData.choice"},
      {R"("cchoice": {"discriminator": 4})",
       "Out of range value '4' was provided for enum field 'SampleData.cchoice.discriminator"},
      {R"("cube": [1, 2])",
       "Cannot process a 3 dimentional array (only 2d is supported). Field -  'SampleData.cube"},
      {R"("list": [{}, {}, {}, {}])",
       "User provided a higher seuqence relative to the sequence maximum size. FieldName "
       "SampleData.list .User provided sequence index: 3 .Sequence max size: 3"},
      {R"("nums": [1, null])", "Value of field 'SampleData.nums[1] cannot be null"},
      {R"("ld": "1.0")", "FLOAT_128_TYPE N/A"},
      {R"("pos": {"x": [1]})",
       "Expected boolean or number for field 'SampleData.pos.x' .Received an object / array "
       "instead : [1]"},
  };
  for (const auto& c : cases) EXPECT_EQ(InjectionError(Wrap(c.members)), c.message) << c.members;
}

TEST(DynamicDataInjector, UnusedInputFieldsAreReportedOnlyWhenAsked) {
  const std::string input = Wrap(R"("i32": 1, "z": 2, "pos": {"x": 1, "w": [1, 2]})");
  EXPECT_EQ(InjectionError(input, false), "<no error>");
  EXPECT_EQ(InjectionError(input, true),
            "User provided input includes unused fields: /SampleData/z ; "
            "/SampleData/pos/w/0 ; /SampleData/pos/w/1");
  // Everything consumed, empty containers included: no complaint.
  EXPECT_EQ(InjectionError(Wrap(R"("i32": 1, "nums": [], "pos": {})"), true), "<no error>");
  EXPECT_EQ(InjectionError(R"({"SampleData": {"i32": 1}, "SampleMetaData": {"a": 1}})", true),
            "User provided input includes unused fields: /SampleMetaData/a");
}

// The engine reads arrays of numbers from 0 to 255 packed as bytes. Wherever such an array
// stands, the fixture injects it packed and as plain JSON and requires the same sample or
// the same error; here each input is first checked to be packed at all.
TEST(DynamicDataInjector, ArraysOfSmallNumbersActAlikePackedOrNot) {
  const char* members[] = {
      R"("nums": [1, 2, 255])",         R"("pos": [1, 2])",          R"("choice": [1])",
      R"("choice": {"discriminator": [1], "speed": 2})",             R"("name": [1, 2])",
      R"("i32": [5])",                  R"("flag": [1])",            R"("color": [1])",
      R"("wname": [1])",                R"("tag": [65, 66])",        R"("list": [1, 2])",
      R"("list": [{"x": [3]}])",        R"("grid": [1, 2, 3, 4, 5, 6])",
      R"("grid": [[1, 2, 3], [4, 5, 6]])", R"("grid": [[1, 2, 3], [4, 5, 6], [7]])",
      R"("cube": [1, 2])",              R"("nums": [1, 2], "z": [3, 4])",
  };
  const auto hasPacked = [](const nlohmann::ordered_json& document) {
    const nlohmann::ordered_json leaves = document.flatten();
    return std::any_of(leaves.begin(), leaves.end(), [](const auto& leaf) { return leaf.is_binary(); });
  };
  for (const char* m : members) {
    ASSERT_TRUE(hasPacked(injection::ParseInjectionJson(Wrap(m), true))) << m;
    InjectionError(Wrap(m), false);
    InjectionError(Wrap(m), true);
  }
  EXPECT_EQ(InjectionError(Wrap(R"("i32": 1, "nums": [1, 2], "z": [3, 4])"), true),
            "User provided input includes unused fields: /SampleData/z/0 ; /SampleData/z/1");
}

TEST(DynamicDataInjector, BadInputTextsAreRefusedBeforeTheWalk) {
  try {
    injection::ParseInjectionJson(R"({"SampleData": )");
    FAIL() << "no error";
  } catch (const injection::InjectionInputError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Erroneous JSON string provided. Error:[json.exception.parse_error", 0), 0u)
        << e.what();
  }
  try {
    injection::MapToInjectionJson({{"SampleData.a", "1"}, {"SampleData.a.b", "2"}});
    FAIL() << "no error";
  } catch (const injection::InjectionInputError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Veltrane::InjectMessage error converting map format: ", 0), 0u)
        << e.what();
  }
}

TEST(DynamicDataInjector, NotANumberComesBackFromItsText) {
  const DynamicData sample = test::InjectMap(Processor(), {{"SampleData.f64", "nan"}, {"SampleData.f32", "-inf"}});
  EXPECT_TRUE(std::isnan(sample.value<double>("f64")));
  EXPECT_EQ(sample.value<float>("f32"), -INFINITY);
}

}  // namespace
}  // namespace Quorvel
