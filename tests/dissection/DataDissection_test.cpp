// Dissection of samples built in memory: flat keys, value texts, JSON shapes and the errors
// that drop a sample.

#include "dissection/DynamicDataDissector.h"
#include "dissection/TypeProcessor.h"
#include "dissection/support/DissectionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace Quorvel {
namespace {

using xtypes::DynamicData;
using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::Member;
using xtypes::TypeKind;
using Map = std::map<std::string, std::string>;

DynamicTypePtr Prim(TypeKind kind) { return DynamicType::Primitive(kind); }

Member M(std::string name, DynamicTypePtr type, bool key = false, bool optional = false) {
  Member m;
  m.name = std::move(name);
  m.type = std::move(type);
  m.key = key;
  m.optional = optional;
  return m;
}

Member Case(std::string name, DynamicTypePtr type, std::vector<std::int64_t> labels) {
  Member m = M(std::move(name), std::move(type));
  m.labels = std::move(labels);
  return m;
}

DynamicTypePtr Struct(std::string name, std::vector<Member> members) {
  return DynamicType::Structure(std::move(name), std::move(members), Extensibility::FINAL);
}

struct Result {
  std::string json;
  Map map;
};

Result DissectToTexts(const DynamicData& data, const test::Formats& formats = {}) {
  const TypeProcessor processor(data.type().name(), data.type_ptr(), formats.Flattening());
  const auto sample = test::Dissect(processor, data, formats);
  return {sample->Output().ToJson(), sample->Output().MapPrint()};
}

TEST(DataDissection, SequencesGetRealIndexesAndEmptyOnesNothing) {
  const DynamicTypePtr point = Struct("P", {M("x", Prim(TypeKind::INT32))});
  const DynamicTypePtr type = Struct(
      "T", {M("v", DynamicType::Sequence(Prim(TypeKind::INT32))),
            M("empty", DynamicType::Sequence(point)),
            M("t", DynamicType::Sequence(Struct("Q", {M("s", DynamicType::Sequence(point))}))),
            M("after", Prim(TypeKind::INT16))});
  DynamicData data(type);
  for (std::uint32_t k = 1; k <= 3; ++k) data.loan_value("v").value<std::int32_t>(k, 10 * k);
  auto t = data.loan_value("t");
  t.set_length(2);
  auto s = t.loan_value(2).loan_value("s");
  s.set_length(3);
  s.loan_value(3).value<std::int32_t>("x", -5);
  data.value<std::int16_t>("after", 7);

  const Result r = DissectToTexts(data);
  EXPECT_EQ(r.json,
            R"({"SampleData":{"v":[10,20,30],"empty":[],"t":[{"s":[]},{"s":[{"x":0},{"x":0},{"x":-5}]}],"after":7}})");
  EXPECT_EQ(r.map, (Map{{"SampleData.v[0]", "10"},
                        {"SampleData.v[1]", "20"},
                        {"SampleData.v[2]", "30"},
                        {"SampleData.t[1].s[0].x", "0"},
                        {"SampleData.t[1].s[1].x", "0"},
                        {"SampleData.t[1].s[2].x", "-5"},
                        {"SampleData.after", "7"}}));
}

TEST(DataDissection, LeafTextsAndJsonByFormat) {
  const DynamicTypePtr color = DynamicType::Enumeration("Color", {{"RED", 0}, {"BLUE", 2}});
  const DynamicTypePtr type = Struct(
      "T", {M("f", Prim(TypeKind::FLOAT32)), M("d", Prim(TypeKind::FLOAT64)),
            M("b", Prim(TypeKind::BOOLEAN)), M("e", color), M("c", Prim(TypeKind::CHAR8)),
            M("w", Prim(TypeKind::CHAR16)), M("o", Prim(TypeKind::BYTE)),
            M("u", Prim(TypeKind::UINT64)), M("i", Prim(TypeKind::INT64)),
            M("ws", DynamicType::WString()), M("inf", Prim(TypeKind::FLOAT64))});
  DynamicData data(type);
  data.value<float>("f", 0.1f);
  data.value<double>("d", 0.1);
  data.value<bool>("b", true);
  data.value<std::int32_t>("e", 2);
  data.value<char>("c", 'z');
  data.value<std::uint16_t>("w", 0x20AC);
  data.value<std::uint8_t>("o", 200);
  data.value<std::uint64_t>("u", 18446744073709551615ull);
  data.value<std::int64_t>("i", -9223372036854775807ll - 1);
  data.set_values("ws", std::vector<std::uint16_t>{'h', 0x0169, '!'});
  data.value<double>("inf", -std::numeric_limits<double>::infinity());

  struct Variant {
    const char* what;
    test::Formats formats;
    std::string json;
    std::string b, e;
  };
  test::Formats stringBool, name, both;
  stringBool.boolean = BooleanFormat::STRING;
  name.enumeration = EnumOutputFormat::NAME;
  both.enumeration = EnumOutputFormat::VALUE_AND_NAME;
  const std::string tail =
      R"("c":"z","w":8364,"o":200,"u":18446744073709551615,"i":-9223372036854775808,"ws":"hi!","inf":null}})";
  const std::vector<Variant> variants = {
      {"numeric, value", {}, R"({"SampleData":{"f":0.10000000149011612,"d":0.1,"b":true,"e":2,)" + tail, "1", "2"},
      {"string booleans", stringBool, R"({"SampleData":{"f":0.10000000149011612,"d":0.1,"b":"TRUE","e":2,)" + tail, "TRUE", "2"},
      {"enum names", name, R"({"SampleData":{"f":0.10000000149011612,"d":0.1,"b":true,"e":"BLUE",)" + tail, "1", "BLUE"},
      {"enum value and name", both, R"({"SampleData":{"f":0.10000000149011612,"d":0.1,"b":true,"e":"(2) - BLUE",)" + tail, "1", "(2) - BLUE"},
  };
  for (const Variant& v : variants) {
    const Result r = DissectToTexts(data, v.formats);
    EXPECT_EQ(r.json, v.json) << v.what;
    EXPECT_EQ(r.map, (Map{{"SampleData.f", "0.100000001"},
                          {"SampleData.d", "0.10000000000000001"},
                          {"SampleData.b", v.b},
                          {"SampleData.e", v.e},
                          {"SampleData.c", "z"},
                          {"SampleData.w", "8364"},
                          {"SampleData.o", "200"},
                          {"SampleData.u", "18446744073709551615"},
                          {"SampleData.i", "-9223372036854775808"},
                          {"SampleData.ws", "hi!"},
                          {"SampleData.inf", "-inf"}}))
        << v.what;
  }
}

DynamicTypePtr ShortUnion(bool withDefault) {
  std::vector<Member> cases = {Case("a", Prim(TypeKind::INT32), {1}),
                               Case("b", DynamicType::String(8), {-7}),
                               Case("c", Prim(TypeKind::FLOAT64), {2, 3})};
  if (withDefault) {
    cases.push_back(Case("other", Prim(TypeKind::BYTE), {}));
    cases.back().isDefault = true;
  }
  return DynamicType::Union(withDefault ? "SD" : "S", Prim(TypeKind::INT16), std::move(cases),
                            Extensibility::FINAL);
}

TEST(DataDissection, UnionsOutputTheSelectedMemberAndSignedDiscriminators) {
  const DynamicTypePtr type = Struct("T", {M("u", ShortUnion(false)), M("d", ShortUnion(true))});
  struct Case_ {
    std::int64_t u;
    std::int64_t d;
    std::string json;
    Map map;
  };
  const std::vector<Case_> cases = {
      {-7, 9, R"({"SampleData":{"u":{"discriminator":-7,"b":""},"d":{"discriminator":9,"other":0}}})",
       {{"SampleData.u.discriminator", "-7"},
        {"SampleData.u.{_d=-7}b", ""},
        {"SampleData.d.discriminator", "9"},
        {"SampleData.d.other", "0"}}},
      {3, -300, R"({"SampleData":{"u":{"discriminator":3,"c":0.0},"d":{"discriminator":-300,"other":0}}})",
       {{"SampleData.u.discriminator", "3"},
        {"SampleData.u.{_d=2/3}c", "0"},
        {"SampleData.d.discriminator", "-300"},
        {"SampleData.d.other", "0"}}},
      {1, 1, R"({"SampleData":{"u":{"discriminator":1,"a":0},"d":{"discriminator":1,"a":0}}})",
       {{"SampleData.u.discriminator", "1"},
        {"SampleData.u.a", "0"},
        {"SampleData.d.discriminator", "1"},
        {"SampleData.d.a", "0"}}},
  };
  for (const Case_& c : cases) {
    DynamicData data(type);
    data.loan_value("u").discriminator_value(c.u);
    data.loan_value("d").discriminator_value(c.d);
    const Result r = DissectToTexts(data);
    EXPECT_EQ(r.json, c.json);
    EXPECT_EQ(r.map, c.map);
  }
}

TEST(DataDissection, DiscriminatorThatSelectsNothing) {
  // Not a key: logged, the discriminator alone is output and the sample goes on.
  DynamicData plain(Struct("T", {M("u", ShortUnion(false)), M("after", Prim(TypeKind::INT32))}));
  plain.loan_value("u").discriminator_value(-9);
  plain.value<std::int32_t>("after", 4);
  const Result r = DissectToTexts(plain);
  EXPECT_EQ(r.json, R"({"SampleData":{"u":{"discriminator":-9},"after":4}})");
  EXPECT_EQ(r.map, (Map{{"SampleData.u.discriminator", "-9"}, {"SampleData.after", "4"}}));

  // A key: the sample cannot be identified, so it is dropped with the error.
  DynamicData keyed(Struct("K", {M("u", ShortUnion(false), true)}));
  keyed.loan_value("u").discriminator_value(-9);
  try {
    DissectToTexts(keyed);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Selected Union discriminator -9 was not found in union u.discriminator");
  }

  const DynamicTypePtr unsignedUnion = DynamicType::Union(
      "UU", Prim(TypeKind::UINT32), {Case("a", Prim(TypeKind::INT32), {1})}, Extensibility::FINAL);
  DynamicData big(Struct("K2", {M("u", unsignedUnion, true)}));
  big.loan_value("u").discriminator_value(4294967289ll);
  try {
    DissectToTexts(big);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Selected Union discriminator 4294967289 was not found in union u.discriminator");
  }
}

TEST(DataDissection, OptionalMembersAndOneValueArrays) {
  const DynamicTypePtr type = Struct(
      "T", {M("opt", Prim(TypeKind::INT32), false, true),
            M("optp", Struct("P", {M("x", Prim(TypeKind::INT32))}), false, true),
            M("code", DynamicType::Array(Prim(TypeKind::CHAR8), {4})),
            M("raw", DynamicType::Array(Prim(TypeKind::BYTE), {2})),
            M("set", Prim(TypeKind::INT32), false, true)});
  DynamicData data(type);
  data.value<std::int32_t>("set", 0);
  auto code = data.loan_value("code");
  code.value<char>(1, 'a');
  code.value<char>(2, 'b');
  auto raw = data.loan_value("raw");
  raw.value<std::uint8_t>(1, 0x41);
  raw.value<std::uint8_t>(2, 0x42);

  const Result elements = DissectToTexts(data);
  EXPECT_EQ(elements.json,
            std::string(R"({"SampleData":{"code":["a","b","\u0000","\u0000"],"raw":[65,66],"set":0}})"));
  EXPECT_EQ(elements.map.count("SampleData.code[3]"), 1u);
  EXPECT_EQ(elements.map.at("SampleData.raw[1]"), "66");
  EXPECT_EQ(elements.map.count("SampleData.opt"), 0u);

  test::Formats oneValue;
  oneValue.charArray = CharArrayFormat::STRING;
  oneValue.byteArray = ByteArrayFormat::BUFFER;
  const Result joined = DissectToTexts(data, oneValue);
  EXPECT_EQ(joined.json, R"({"SampleData":{"code":"ab\u0000\u0000","raw":"AB","set":0}})");
  EXPECT_EQ(joined.map, (Map{{"SampleData.code[]", std::string("ab\0\0", 4)},
                             {"SampleData.raw[]", "AB"},
                             {"SampleData.set", "0"}}));
}

TEST(DataDissection, UnsupportedValuesDropTheSample) {
  struct Case_ {
    DynamicTypePtr type;
    const char* error;
  };
  const std::vector<Case_> cases = {
      {Struct("L", {M("ld", Prim(TypeKind::FLOAT128))}), "FLOAT_128_TYPE N/A inld"},
      {Struct("LS", {M("lds", DynamicType::Array(Prim(TypeKind::FLOAT128), {1}))}),
       "FLOAT_128_TYPE N/A in lds[0]"},
      {Struct("W", {M("ws", DynamicType::Sequence(DynamicType::WString()))}),
       "SEQUENCE_TYPE of WSTRING_TYPE is not supported"},
  };
  for (const Case_& c : cases) {
    DynamicData data(c.type);
    if (c.type->name() == "W") data.loan_value("ws").set_length(1);
    try {
      DissectToTexts(data);
      ADD_FAILURE() << "no error for " << c.type->name();
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

TEST(DataDissection, DuplicateFlatKeysKeepTheFirstValue) {
  // 'u.{_d=1}a' and the member 'u.a' of the next union both flatten to 'SampleData.u.a'.
  const DynamicTypePtr inner = DynamicType::Union(
      "I", Prim(TypeKind::INT32),
      {Case("a", Prim(TypeKind::INT32), {1}), Case("{_d=2}a", Prim(TypeKind::INT32), {2})},
      Extensibility::FINAL);
  DynamicData data(Struct("T", {M("u", inner)}));
  data.loan_value("u").discriminator_value(1);
  data.loan_value("u").value<std::int32_t>(1, 11);
  const Result r = DissectToTexts(data);
  EXPECT_EQ(r.map.at("SampleData.u.a"), "11");
}

TEST(DataDissection, ValueLineMarksSkippedColumns) {
  const DynamicTypePtr type = Struct(
      "T", {M("a", Prim(TypeKind::INT16)), M("u", ShortUnion(false)),
            M("s", DynamicType::Sequence(Struct("P", {M("x", Prim(TypeKind::INT32)),
                                                      M("y", Prim(TypeKind::INT32))}))),
            M("z", Prim(TypeKind::BYTE))});
  DynamicData data(type);
  data.value<std::int16_t>("a", 3);
  data.loan_value("u").discriminator_value(1);
  data.loan_value("u").value<std::int32_t>(1, 5);
  data.value<std::uint8_t>("z", 9);
  test::Formats formats;
  formats.outputs = DissectionBitMap::kValueLine;
  const TypeProcessor processor("T", data.type_ptr(), formats.Flattening());
  const auto sample = test::Dissect(processor, data, formats);
  // a, discriminator, u.a, then unselected u.b and u.c, the empty sequence's x and y, z.
  EXPECT_EQ(sample->Output().LinePrint(),
            (std::vector<std::string>{"3", "1", "5", "NULL", "NULL", "NULL", "NULL", "9"}));
  EXPECT_EQ(sample->Output().ToJson(), "null");
  EXPECT_TRUE(sample->Output().MapPrint().empty());
}

TEST(DataDissection, RowBufferHoldsRawValuesAtColumnOffsets) {
  const DynamicTypePtr type =
      Struct("T", {M("a", Prim(TypeKind::INT16)), M("n", DynamicType::String(4)),
                   M("opt", Prim(TypeKind::INT32), false, true), M("d", Prim(TypeKind::FLOAT64))});
  DynamicData data(type);
  data.value<std::int16_t>("a", 0x0102);
  data.value<std::string>("n", "abcd");
  data.value<double>("d", 2.5);
  test::Formats formats;
  formats.outputs = DissectionBitMap::kRowBuffer;
  const TypeProcessor processor("T", data.type_ptr(), formats.Flattening());
  const auto sample = test::Dissect(processor, data, formats);
  const std::vector<std::uint8_t>& row = sample->Output().RowBuffer();
  ASSERT_EQ(row.size(), 2u + 9 + 4 + 8);
  std::int16_t a = 0;
  std::memcpy(&a, row.data(), 2);
  EXPECT_EQ(a, 0x0102);
  // The string is zero-filled to its column's room; the unset optional member stays zero.
  EXPECT_EQ(std::string(row.begin() + 2, row.begin() + 11), std::string("abcd\0\0\0\0\0", 9));
  EXPECT_EQ(std::vector<std::uint8_t>(row.begin() + 11, row.begin() + 15),
            std::vector<std::uint8_t>(4, 0));
  double d = 0;
  std::memcpy(&d, row.data() + 15, 8);
  EXPECT_EQ(d, 2.5);

  DynamicData unbounded(Struct("Unbounded", {M("s", DynamicType::String())}));
  const TypeProcessor unboundedProcessor("Unbounded", unbounded.type_ptr(), formats.Flattening());
  EXPECT_THROW(test::Dissect(unboundedProcessor, unbounded, formats), std::runtime_error);
}

// The samples of one type write their JSON into the buffers of the type's earlier samples.
// A reused buffer must not show through: a short sample after a long one writes exactly what
// it writes alone. A sample kept past its processor still lets its buffer go safely.
TEST(DataDissection, SamplesOfATypeReuseTextBuffersWithoutLeftovers) {
  const DynamicTypePtr type = Struct("Bag", {M("octets", DynamicType::Sequence(Prim(TypeKind::BYTE)))});
  const auto sampleOf = [&](std::uint32_t count) {
    DynamicData data(type);
    xtypes::DynamicDataRef octets = data.loan_value("octets");
    octets.set_length(count);
    for (std::uint32_t k = 1; k <= count; ++k)
      octets.value<std::uint8_t>(k, static_cast<std::uint8_t>(k * 7));
    return data;
  };
  const test::Formats formats;
  const auto fresh = [&](const DynamicData& data) {
    const TypeProcessor alone("Bag", type, formats.Flattening());
    return test::Dissect(alone, data, formats)->Output().ToListenerJson();
  };
  auto processor = std::make_unique<TypeProcessor>("Bag", type, formats.Flattening());
  const DynamicData longSample = sampleOf(3000);
  const DynamicData shortSample = sampleOf(3);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(test::Dissect(*processor, longSample, formats)->Output().ToListenerJson(), fresh(longSample));
    EXPECT_EQ(test::Dissect(*processor, shortSample, formats)->Output().ToListenerJson(), fresh(shortSample));
  }
  std::unique_ptr<DDSSample> kept = test::Dissect(*processor, longSample, formats);
  processor.reset();
  EXPECT_EQ(kept->Output().ToListenerJson(), fresh(longSample));
  kept.reset();
}

}  // namespace
}  // namespace Quorvel
