// With JSON as the only output, sequences of numbers are written in one run rather than walked
// element by element. The text must be the one the element walk writes (which the JSON + MAP
// outputs still take), for every number kind, extreme and special values included, nested in
// other collections, and for every golden sample under every value format.

#include "dissection/support/DissectionFixture.h"
#include "middleware/cdr/CdrCodec.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace Quorvel {
namespace {

using xtypes::DynamicData;
using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Member;
using xtypes::TypeKind;

constexpr std::uint32_t kJsonOnly = DissectionBitMap::kJson;
constexpr std::uint32_t kJsonAndMap = DissectionBitMap::kJson | DissectionBitMap::kFlatMap;

Member M(std::string name, DynamicTypePtr type) {
  Member m;
  m.name = std::move(name);
  m.type = std::move(type);
  return m;
}

DynamicTypePtr SequenceOf(TypeKind kind) { return DynamicType::Sequence(DynamicType::Primitive(kind)); }

std::string ListenerJson(const DynamicData& data, test::Formats formats, std::uint32_t outputs) {
  formats.outputs = outputs;
  const TypeProcessor processor(data.type().name(), data.type_ptr(), formats.Flattening());
  return test::Dissect(processor, data, formats)->Output().ToListenerJson();
}

template <typename T>
void Fill(DynamicData& data, const char* member, std::initializer_list<T> values) {
  auto sequence = data.loan_value(member);
  std::uint32_t index = 1;
  for (const T value : values) sequence.value<T>(index++, value);
}

TEST(JsonOnlyOutput, NumberSequencesWriteWhatTheElementWalkWrites) {
  using L8 = std::numeric_limits<std::int8_t>;
  using L16 = std::numeric_limits<std::int16_t>;
  using L32 = std::numeric_limits<std::int32_t>;
  using L64 = std::numeric_limits<std::int64_t>;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const DynamicTypePtr inner =
      DynamicType::Structure("Inner", {M("d", SequenceOf(TypeKind::FLOAT64)), M("tail", DynamicType::Primitive(TypeKind::INT32))},
                             xtypes::Extensibility::FINAL);
  const DynamicTypePtr type = DynamicType::Structure(
      "Numbers",
      {M("octets", SequenceOf(TypeKind::BYTE)), M("i8", SequenceOf(TypeKind::INT8)),
       M("i16", SequenceOf(TypeKind::INT16)), M("u16", SequenceOf(TypeKind::UINT16)),
       M("i32", SequenceOf(TypeKind::INT32)), M("u32", SequenceOf(TypeKind::UINT32)),
       M("i64", SequenceOf(TypeKind::INT64)), M("u64", SequenceOf(TypeKind::UINT64)),
       M("f32", SequenceOf(TypeKind::FLOAT32)), M("f64", SequenceOf(TypeKind::FLOAT64)),
       M("empty", SequenceOf(TypeKind::INT32)), M("nested", DynamicType::Sequence(inner)),
       M("after", DynamicType::Primitive(TypeKind::BYTE))},
      xtypes::Extensibility::FINAL);
  DynamicData data(type);
  Fill<std::uint8_t>(data, "octets", {0, 9, 10, 99, 100, 255});
  Fill<std::int8_t>(data, "i8", {L8::min(), -1, 0, L8::max()});
  Fill<std::int16_t>(data, "i16", {L16::min(), 0, L16::max()});
  Fill<std::uint16_t>(data, "u16", {0, 65535});
  Fill<std::int32_t>(data, "i32", {L32::min(), -7, L32::max()});
  Fill<std::uint32_t>(data, "u32", {0, 4294967295u});
  Fill<std::int64_t>(data, "i64", {L64::min(), -1, L64::max()});
  Fill<std::uint64_t>(data, "u64", {0, 18446744073709551615u});
  Fill<float>(data, "f32", {0.1f, -0.0f, 3.4028235e38f, 1e-45f, std::numeric_limits<float>::quiet_NaN()});
  Fill<double>(data, "f64", {0.1, -0.0, 1e308, 5e-324, kInf, -kInf, 12345678.9});
  for (std::uint32_t k = 1; k <= 2; ++k) {
    auto element = data.loan_value("nested").loan_value(k);
    element.loan_value("d").value<double>(1, 1.5 * k);
    element.loan_value("d").value<double>(2, -2.25);
    element.value<std::int32_t>("tail", static_cast<std::int32_t>(k));
  }
  data.value<std::uint8_t>("after", 7);
  // Every one-byte value, both signs, after the spot values above.
  for (int value = 0; value < 256; ++value) {
    data.loan_value("octets").value<std::uint8_t>(7 + value, static_cast<std::uint8_t>(value));
    data.loan_value("i8").value<std::int8_t>(5 + value, static_cast<std::int8_t>(value - 128));
  }

  for (const FieldsOrdering ordering :
       {FieldsOrdering::TYPE_BASED_ORDERING, FieldsOrdering::STANDARDIZED_UNORDERED}) {
    test::Formats formats;
    formats.ordering = ordering;
    const std::string walked = ListenerJson(data, formats, kJsonAndMap);
    EXPECT_EQ(ListenerJson(data, formats, kJsonOnly), walked);
    // The walk's text itself is right: spot checks against values written above.
    const nlohmann::json document = nlohmann::json::parse(walked);
    const nlohmann::json& sample = document["SampleData"];
    ASSERT_EQ(sample["octets"].size(), 6u + 256u);
    ASSERT_EQ(sample["i8"].size(), 4u + 256u);
    for (int value = 0; value < 256; ++value) {
      EXPECT_EQ(sample["octets"][6 + value].get<int>(), value);
      EXPECT_EQ(sample["i8"][4 + value].get<int>(), value - 128);
    }
    EXPECT_EQ(sample["i64"][0].get<std::int64_t>(), L64::min());
    EXPECT_EQ(sample["u64"][0].get<std::uint64_t>(), 0u);
    EXPECT_TRUE(sample["f32"][4].is_null());
    EXPECT_TRUE(sample["f64"][4].is_null() && sample["f64"][5].is_null());
    EXPECT_TRUE(std::signbit(sample["f64"][1].get<double>()));
    EXPECT_EQ(sample["empty"], nlohmann::json::array());
    EXPECT_EQ(sample["nested"][1]["d"], nlohmann::json::parse("[3.0,-2.25]"));
    EXPECT_EQ(sample["after"], 7);
  }
}

// Every golden sample, in every encoding and value format: the rich types hold sequences of
// shorts, longs and unsigned long longs, sequences of them inside arrays and typedefs.
TEST(JsonOnlyOutput, GoldenSamplesWriteTheSameTextAsWithTheMap) {
  const std::vector<test::Formats> variants = {
      {},
      {.boolean = BooleanFormat::STRING},
      {.enumeration = EnumOutputFormat::VALUE_AND_NAME},
      {.charArray = CharArrayFormat::STRING, .byteArray = ByteArrayFormat::BUFFER},
      {.ordering = FieldsOrdering::STANDARDIZED_UNORDERED},
  };
  std::size_t compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::TestData("golden/rich"))) {
    const std::string file = entry.path().filename().string();
    if (entry.path().extension() != ".json") continue;
    const nlohmann::json values = nlohmann::json::parse(test::ReadText(entry.path()));
    if (!values.contains("samples")) continue;
    const xtypes::DynamicTypePtr type = test::RichTypes().Find(values["type"].get<std::string>());
    ASSERT_TRUE(type) << file;
    for (const nlohmann::json& sample : values["samples"]) {
      for (const char* encoding : {".xcdr2.bin", ".xcdr2-be.bin", ".xcdr1.bin", ".xcdr1-be.bin"}) {
        const auto payload = test::TestData("golden/rich/" + sample["name"].get<std::string>() + encoding);
        if (!std::filesystem::exists(payload)) continue;
        DynamicData data(type);
        cdr::from_cdr_buffer(data, test::ReadBytes(payload));
        for (const test::Formats& formats : variants) {
          SCOPED_TRACE(payload.filename().string());
          EXPECT_EQ(ListenerJson(data, formats, kJsonOnly), ListenerJson(data, formats, kJsonAndMap));
          ++compared;
        }
      }
    }
  }
  EXPECT_GE(compared, 200u);
}

}  // namespace
}  // namespace Quorvel
