// Conversions between flat names, JSON pointers, maps and JSON; timestamps; kind numbers.

#include "dissection/CommonHelperFunctions.h"
#include "dissection/JsonMapConversion.h"
#include "dissection/Outputter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>

namespace Quorvel {
namespace {

namespace H = CommonHelperFunctions;
using nlohmann::ordered_json;
using xtypes::TypeKind;
using Map = std::map<std::string, std::string>;

TEST(CommonHelperFunctions, JsonPointersOfFlatNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"x", "/x"},
      {"m[1][2]", "/m/1/2"},
      {"a.b[2].c", "/a/b/2/c"},
      {"SampleData.u.{_d=1/2}small", "/SampleData/u/small"},
      {"SampleData.u.{_d=-1}caption", "/SampleData/u/caption"},
      {"code[]", "/code"},
  };
  for (const auto& [name, pointer] : cases) EXPECT_EQ(H::ConvertStringToJsonPointer(name), pointer) << name;
}

TEST(CommonHelperFunctions, MapToJsonBuildsObjectsAndArrays) {
  EXPECT_EQ(H::MapToJson({}).dump(), "{}");
  EXPECT_EQ(H::MapToJson({{"a.b", "1"}, {"a.c[0]", "x"}, {"a.c[1]", "y"}}).dump(),
            R"({"a":{"b":"1","c":["x","y"]}})");
  // Keys sort '[10]' before '[2]': the array still ends up in index order.
  Map many;
  for (int i = 0; i < 12; ++i) many["v[" + std::to_string(i) + "]"] = std::to_string(i);
  const ordered_json json = H::MapToJson(many);
  ASSERT_EQ(json["v"].size(), 12u);
  EXPECT_EQ(json["v"][11], "11");
}

TEST(CommonHelperFunctions, JsonToMapFlattensAndRefusesDuplicates) {
  Map map;
  H::JsonToMap(ordered_json::parse(R"({"s":{"a":1,"b":[true,-2,0.1,null,"t"],"c":[[1],[2,3]]}})"), "",
               map);
  EXPECT_EQ(map, (Map{{"s.a", "1"},
                      {"s.b[0]", "1"},
                      {"s.b[1]", "-2"},
                      {"s.b[2]", "0.10000000000000001"},
                      {"s.b[3]", "null"},
                      {"s.b[4]", "t"},
                      {"s.c[0][0]", "1"},
                      {"s.c[1][0]", "2"},
                      {"s.c[1][1]", "3"}}));

  Map duplicate;
  try {
    H::JsonToMap(ordered_json::parse(R"({"a":{"b":1},"a.b":2})"), "", duplicate);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Duplicate field name detected - a.b");
  }
}

TEST(CommonHelperFunctions, JsonValueTexts) {
  EXPECT_EQ(H::JsonValueToString(ordered_json(0.1), "f"), "0.10000000000000001");
  EXPECT_EQ(H::JsonValueToString(ordered_json(true), "f"), "1");
  EXPECT_EQ(H::JsonValueToString(ordered_json(18446744073709551615ull), "f"), "18446744073709551615");
  EXPECT_EQ(H::JsonValueToString(ordered_json(-9223372036854775807ll - 1), "f"), "-9223372036854775808");
  try {
    H::JsonValueToString(ordered_json::parse(R"({"k":[1]})"), "pos");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "Expected boolean or number for field 'pos' .Received an object / array instead : {\"k\":[1]}");
  }
}

class Iso8601 : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* zone = std::getenv("TZ");
    saved = zone ? std::optional<std::string>(zone) : std::nullopt;
  }
  void TearDown() override {
    if (saved) setenv("TZ", saved->c_str(), 1); else unsetenv("TZ");
    tzset();
  }
  static void Zone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  std::optional<std::string> saved;
};

TEST_F(Iso8601, LocalTimeWithZoneOffset) {
  struct Case {
    const char* zone;
    std::uint64_t microseconds;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"UTC0", 0, "1970-01-01T00:00:00.000000+00:00"},
      {"EET-2", 1709294709000250ull, "2024-03-01T14:05:09.000250+02:00"},
      {"EST5", 1709294709999999ull, "2024-03-01T07:05:09.999999-05:00"},
      {"IST-5:30", 0, "1970-01-01T05:30:00.000000+05:30"},
      // New Year's Eve locally while UTC is already in the next year.
      {"EST5", 1704070800000000ull, "2023-12-31T20:00:00.000000-05:00"},
      {"UTC0", 18446744073708551616ull, "1970-01-01T00:00:00Z"},
  };
  for (const Case& c : cases) {
    Zone(c.zone);
    EXPECT_EQ(H::EpochMicrosecondsToIso8601(c.microseconds), c.text) << c.zone << " " << c.microseconds;
  }
}

TEST(CommonHelperFunctions, EngineKindsAndTextHelpers) {
  const std::vector<std::tuple<TypeKind, std::uint32_t, std::string>> kinds = {
      {TypeKind::BOOLEAN, 1, "BOOLEAN"},     {TypeKind::BYTE, 2, "UINT_8"},
      {TypeKind::CHAR16, 13, "CHAR_16"},     {TypeKind::ENUMERATION, 14, "ENUMERATION"},
      {TypeKind::ARRAY, 16, "ARRAY"},        {TypeKind::WSTRING, 19, "WSTRING"},
      {TypeKind::STRUCTURE, 21, "STRUCTURE"}, {TypeKind::INT8, 22, "INT_8"},
      {TypeKind::BITMASK, 0, "NONE"},        {TypeKind::ALIAS, 0, "NONE"}};
  for (const auto& [kind, number, name] : kinds) {
    EXPECT_EQ(H::DDSTypeKindToEngineTypeKind(kind), number) << name;
    EXPECT_EQ(H::DDSTypeKindToEngineTypeKindString(kind), name);
  }
  EXPECT_EQ(H::SplitString("a.b..c", '.'), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(H::SplitString("a::b", "::"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(H::IsNumber("0123"));
  EXPECT_FALSE(H::IsNumber(""));
  EXPECT_FALSE(H::IsNumber("-1"));
  EXPECT_TRUE(H::ContainsNonDigit("12a"));
  EXPECT_FALSE(H::ContainsNonDigit("12"));
}

TEST(Outputter, MetadataValuesByEnumerationFormat) {
  struct Case {
    EnumOutputFormat format;
    std::string json;
  };
  const std::vector<Case> cases = {
      {EnumOutputFormat::VALUE,
       R"({"SampleMetaData":{"DDSSampleInfo":{"instance_state":2,"valid_data":1},"CommonMetaData":{"topic_name":"Track"}}})"},
      {EnumOutputFormat::NAME,
       R"({"SampleMetaData":{"DDSSampleInfo":{"instance_state":"NOT_ALIVE_DISPOSED","valid_data":"TRUE"},"CommonMetaData":{"topic_name":"Track"}}})"},
      {EnumOutputFormat::VALUE_AND_NAME,
       R"({"SampleMetaData":{"DDSSampleInfo":{"instance_state":"(2) - NOT_ALIVE_DISPOSED","valid_data":"TRUE"},"CommonMetaData":{"topic_name":"Track"}}})"},
  };
  const OutputName state("SampleMetaData.DDSSampleInfo", "instance_state");
  const OutputName valid("SampleMetaData.DDSSampleInfo", "valid_data");
  const OutputName domain("SampleMetaData.CommonMetaData", "domain_id");
  const OutputName topic("SampleMetaData.CommonMetaData", "topic_name");
  for (const Case& c : cases) {
    OutputSettings settings{DissectionBitMap(DissectionBitMap::kJson | DissectionBitMap::kFlatMap |
                                             DissectionBitMap::kValueLine),
                            BooleanFormat::STRING, c.format, FieldsOrdering::TYPE_BASED_ORDERING};
    Outputter outputter(0, nullptr, settings);
    outputter.BeginJsonGroup({"SampleMetaData", "DDSSampleInfo"});
    outputter.AddValue<unsigned long>(state, 2, "(2) - NOT_ALIVE_DISPOSED");
    outputter.AddValue<unsigned char>(valid, 1, "TRUE");
    outputter.EndJsonGroup();
    outputter.BeginJsonGroup({"SampleMetaData", "CommonMetaData"});
    outputter.AddValue<long>(domain, 0, std::nullopt);
    outputter.AddValueString(topic, "", "Track");
    outputter.EndJsonGroup();
    EXPECT_EQ(outputter.ToJson(), c.json);
    EXPECT_EQ(outputter.MapPrint(),
              (Map{{"SampleMetaData.DDSSampleInfo.instance_state", "(2) - NOT_ALIVE_DISPOSED"},
                   {"SampleMetaData.DDSSampleInfo.valid_data", "TRUE"},
                   {"SampleMetaData.CommonMetaData.topic_name", "Track"}}));
    EXPECT_EQ(outputter.LinePrint(),
              (std::vector<std::string>{"(2) - NOT_ALIVE_DISPOSED", "TRUE", "NULL", "Track"}));
    EXPECT_FALSE(outputter.AddValueToMapPrint("SampleMetaData.CommonMetaData.topic_name", "Other"));
    EXPECT_EQ(outputter.MapPrint().at("SampleMetaData.CommonMetaData.topic_name"), "Track");
  }
}

TEST(Outputter, GroupsShareOpenParentsAndEmptyGroupsAreNull) {
  Outputter outputter(0, nullptr,
                      OutputSettings{DissectionBitMap(DissectionBitMap::kJson), BooleanFormat::NUMERIC,
                                     EnumOutputFormat::VALUE, FieldsOrdering::TYPE_BASED_ORDERING});
  EXPECT_EQ(outputter.ToJson(), "null");
  const OutputName port("p", "port");
  outputter.BeginJsonMember("SampleData")->Signed(5);
  outputter.BeginJsonGroup({"M", "A", "X"});
  outputter.AddValue<int>(port, 1, "1");
  outputter.EndJsonGroup();
  outputter.BeginJsonGroup({"M", "A", "Y"});
  outputter.EndJsonGroup();
  outputter.BeginJsonGroup({"M", "B"});
  outputter.AddValue<int>(port, -2, "-2");
  outputter.EndJsonGroup();
  const std::string expected = R"({"SampleData":5,"M":{"A":{"X":{"port":1},"Y":null},"B":{"port":-2}}})";
  // Readable while open, and the same once finished.
  EXPECT_EQ(outputter.ToJson(), expected);
  outputter.Finish();
  EXPECT_EQ(outputter.ToJson(), expected);
  EXPECT_EQ(outputter.ListenerJson(), expected);
}

TEST(Outputter, ListenerJsonSortsMembersOnlyWhenAsked) {
  for (const FieldsOrdering ordering :
       {FieldsOrdering::TYPE_BASED_ORDERING, FieldsOrdering::STANDARDIZED_UNORDERED}) {
    Outputter outputter(0, nullptr,
                        OutputSettings{DissectionBitMap(DissectionBitMap::kJson), BooleanFormat::NUMERIC,
                                       EnumOutputFormat::VALUE, ordering});
    outputter.BeginJsonMember("z")->Raw(R"({"b":1,"a":[{"y":2,"x":3}]})");
    outputter.BeginJsonMember("c")->String("\xC3\xA9\xFF");
    EXPECT_THROW(outputter.ToJson(), nlohmann::json::type_error);
    outputter.Finish();
    EXPECT_EQ(outputter.ListenerJson(),
              ordering == FieldsOrdering::TYPE_BASED_ORDERING
                  ? "{\"z\":{\"b\":1,\"a\":[{\"y\":2,\"x\":3}]},\"c\":\"\xC3\xA9\xEF\xBF\xBD\"}"
                  : "{\"c\":\"\xC3\xA9\xEF\xBF\xBD\",\"z\":{\"a\":[{\"x\":3,\"y\":2}],\"b\":1}}");
    try {
      (void)outputter.ToJson();
    } catch (const nlohmann::json::type_error& error) {
      EXPECT_STREQ(error.what(), "[json.exception.type_error.316] invalid UTF-8 byte at index 2: 0xFF");
    }
  }
}

}  // namespace
}  // namespace Quorvel
