// Collections of primitives filled from JSON arrays: numbers that fit go straight into the element
// block, and any element that needs more (a text, a value out of the element's range, a null)
// takes the checked way from there on. Whatever way each element takes, the sample holds what
// the text of every element gives, and errors name the element.

#include "injection/support/InjectionFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace Quorvel {
namespace {

using namespace xtypes;
using test::M;

DynamicTypePtr Seq(TypeKind kind, std::uint32_t bound = xtypes::kUnbounded) {
  return DynamicType::Sequence(DynamicType::Primitive(kind), bound);
}

const TypeProcessor& Processor() {
  static const TypeProcessor processor(
      "Elements",
      DynamicType::Structure(
          "Elements",
          {M("octets", Seq(TypeKind::BYTE)), M("flags", Seq(TypeKind::BOOLEAN)),
           M("i8s", Seq(TypeKind::INT8)), M("i16s", Seq(TypeKind::INT16)),
           M("u16s", Seq(TypeKind::UINT16, 3)), M("i32s", Seq(TypeKind::INT32)),
           M("u32s", Seq(TypeKind::UINT32)), M("i64s", Seq(TypeKind::INT64)),
           M("u64s", Seq(TypeKind::UINT64)), M("f32s", Seq(TypeKind::FLOAT32)),
           M("f64s", Seq(TypeKind::FLOAT64)),
           M("colors", DynamicType::Sequence(
                           DynamicType::Enumeration("Color", {{"RED", 1}, {"GREEN", 2}}))),
           M("row", DynamicType::Array(DynamicType::Primitive(TypeKind::INT32), {5})),
           M("grid", DynamicType::Array(DynamicType::Primitive(TypeKind::UINT16), {2, 2}))},
          Extensibility::FINAL),
      test::Formats{}.Flattening());
  return processor;
}

DynamicData Inject(const std::string& members) {
  return test::InjectJson(Processor(), R"({"SampleData":{)" + members + "}}");
}

template <typename T>
std::vector<T> Values(const DynamicData& sample, const char* member) {
  std::vector<T> values;
  sample.loan_value(member).get_values(values);
  return values;
}

TEST(CollectionElements, EveryElementKindHoldsItsRangeEnds) {
  const DynamicData sample = Inject(R"(
      "octets": [0, 255, 7], "flags": [true, false, true], "i8s": [-128, 127],
      "i16s": [-32768, 32767], "u16s": [0, 65535], "i32s": [-2147483648, 2147483647],
      "u32s": [0, 4294967295], "i64s": [-9223372036854775808, 9223372036854775807],
      "u64s": [0, 18446744073709551615], "f64s": [0.5, -1e300, 2.2250738585072014e-308],
      "f32s": [0.1, -2.5])");
  EXPECT_EQ(Values<std::uint8_t>(sample, "octets"), (std::vector<std::uint8_t>{0, 255, 7}));
  EXPECT_EQ(Values<bool>(sample, "flags"), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(Values<std::int8_t>(sample, "i8s"), (std::vector<std::int8_t>{-128, 127}));
  EXPECT_EQ(Values<std::int16_t>(sample, "i16s"), (std::vector<std::int16_t>{-32768, 32767}));
  EXPECT_EQ(Values<std::uint16_t>(sample, "u16s"), (std::vector<std::uint16_t>{0, 65535}));
  EXPECT_EQ(Values<std::int32_t>(sample, "i32s"),
            (std::vector<std::int32_t>{std::numeric_limits<std::int32_t>::min(), 2147483647}));
  EXPECT_EQ(Values<std::uint32_t>(sample, "u32s"), (std::vector<std::uint32_t>{0, 4294967295u}));
  EXPECT_EQ(Values<std::int64_t>(sample, "i64s"),
            (std::vector<std::int64_t>{std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max()}));
  EXPECT_EQ(Values<std::uint64_t>(sample, "u64s"),
            (std::vector<std::uint64_t>{0, std::numeric_limits<std::uint64_t>::max()}));
  EXPECT_EQ(Values<double>(sample, "f64s"), (std::vector<double>{0.5, -1e300, 2.2250738585072014e-308}));
  EXPECT_EQ(Values<float>(sample, "f32s"), (std::vector<float>{0.1f, -2.5f}));
}

// Elements that do not fit the element exactly are read from their text as single members are:
// without a range check, wrapped into the element's width. The elements around them must keep
// their own values and positions.
TEST(CollectionElements, ElementsThatNeedTheirTextMixWithNumbersInOrder) {
  const struct {
    const char* members;
    const char* member;
    std::vector<std::int64_t> expected;
  } cases[] = {
      {R"("octets": [1, 256, 3, "4", -1, 6])", "octets", {1, 0, 3, 4, 255, 6}},
      {R"("i16s": [70000, 2, "-3"])", "i16s", {4464, 2, -3}},
      {R"("i32s": ["1", 2, 3])", "i32s", {1, 2, 3}},
      {R"("i32s": [1, 2, 4294967301, 4])", "i32s", {1, 2, 5, 4}},
      {R"("flags": [1, "FALSE", true, 0])", "flags", {1, 0, 1, 0}},
      {R"("flags": [1, 0, 1])", "flags", {1, 0, 1}},
      {R"("i8s": [1, 200, 127])", "i8s", {1, -56, 127}},
      {R"("colors": [2, 1])", "colors", {2, 1}},
      {R"("colors": [2, "(1) - RED", 2])", "colors", {2, 1, 2}},
      {R"("row": [9, 8, "7"])", "row", {9, 8, 7, 0, 0}},
  };
  for (const auto& c : cases) {
    const DynamicData sample = Inject(c.members);
    const xtypes::DynamicDataRef collection = sample.loan_value(c.member);
    std::vector<std::int64_t> values;
    for (std::uint32_t k = 1; k <= collection.member_count(); ++k) {
      switch (collection.member_info(k).kind) {
        case TypeKind::BYTE: values.push_back(collection.value<std::uint8_t>(k)); break;
        case TypeKind::BOOLEAN: values.push_back(collection.value<bool>(k)); break;
        case TypeKind::INT8: values.push_back(collection.value<std::int8_t>(k)); break;
        case TypeKind::INT16: values.push_back(collection.value<std::int16_t>(k)); break;
        case TypeKind::UINT32: values.push_back(collection.value<std::uint32_t>(k)); break;
        default: values.push_back(collection.value<std::int32_t>(k)); break;
      }
    }
    EXPECT_EQ(values, c.expected) << c.members;
  }
}

TEST(CollectionElements, ArraysKeepDefaultsPastTheInputAndTakeRowsOrFlatInput) {
  for (const char* grid : {"[1, 2, 3, 4]", "[[1, 2], [3, 4]]", R"([1, "2", 3, 4])"}) {
    EXPECT_EQ(Values<std::uint16_t>(Inject(std::string(R"("grid": )") + grid), "grid"),
              (std::vector<std::uint16_t>{1, 2, 3, 4}))
        << grid;
  }
  EXPECT_EQ(Values<std::int32_t>(Inject(R"("row": [5, 6])"), "row"), (std::vector<std::int32_t>{5, 6, 0, 0, 0}));
}

TEST(CollectionElements, ALargeSequenceIsStoredWhole) {
  std::string text = R"("octets": [)";
  std::vector<std::uint8_t> expected;
  for (int k = 0; k < 4096; ++k) {
    text += (k ? "," : "") + std::to_string((k * 7) % 256);
    expected.push_back(static_cast<std::uint8_t>((k * 7) % 256));
  }
  EXPECT_EQ(Values<std::uint8_t>(Inject(text + "]"), "octets"), expected);
}

TEST(CollectionElements, BadElementsAreNamedByTheirIndex) {
  const struct {
    const char* members;
    const char* message;
  } cases[] = {
      {R"("i32s": [1, 2, null])", "Value of field 'SampleData.i32s[2] cannot be null"},
      {R"("i32s": [1, 2, "x"])", "Erroneous value 'x' provided for field 'SampleData.i32s[2]' Error = not an integer"},
      {R"("u32s": [5, -1])",
       "Erroneous value '-1' provided for field 'SampleData.u32s[1]' Error = out of range [0, 18446744073709551615]"},
      {R"("i32s": [1, 2.5])", "Erroneous value '2.5' provided for field 'SampleData.i32s[1]' Error = not an integer"},
      {R"("row": [1, 2, 3, 4, 5, 6])", "User provided more elements than the array size. FieldName SampleData.row .Array size: 5"},
      {R"("u16s": [1, 2, 3, 4])",
       "User provided a higher seuqence relative to the sequence maximum size. FieldName SampleData.u16s .User "
       "provided sequence index: 3 .Sequence max size: 3"},
  };
  for (const auto& c : cases) {
    std::string error = "<no error>";
    try {
      Inject(c.members);
    } catch (const std::exception& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.message) << c.members;
  }
}

}  // namespace
}  // namespace Quorvel
