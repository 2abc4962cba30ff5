// Inputs the injection fuzz target found faulty, kept so the faults stay fixed.

#include "injection/support/InjectionFixture.h"

#include "middleware/xtypes/DynamicType.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace Quorvel {
namespace {

using xtypes::DynamicType;
using xtypes::Extensibility;
using xtypes::TypeKind;

const TypeProcessor& Processor() {
  static const TypeProcessor processor(
      "Small",
      DynamicType::Structure("Small", {test::M("i32", DynamicType::Primitive(TypeKind::INT32))},
                             Extensibility::FINAL),
      test::Formats{}.Flattening());
  return processor;
}

std::string UnusedFieldsError(const std::string& json) {
  try {
    test::InjectJson(Processor(), json, true);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "<no error>";
}

// The unused-field report named the input's leaves with ordered_json::flatten, which is
// quadratic in them: a flat map leaving out many collection elements (each one a null leaf)
// held the injector for minutes. Its own walk must name and order the leaves exactly as
// flatten does, escapes and empty containers included.
TEST(FuzzRegression, UnusedFieldsAreNamedAsFlattenNamesThem) {
  const std::string input =
      R"({"SampleData": {"i32": 1, "a/b": 1, "t~": [], "e": {}, "deep": [[1], [2, {"k~/": 3}]]},
          "SampleMetaData": null})";
  std::string expected;
  const nlohmann::ordered_json leaves = nlohmann::ordered_json::parse(input).flatten();
  for (const auto& [pointer, value] : leaves.items()) {
    if (pointer == "/SampleData/i32") continue;
    expected += (expected.empty() ? "" : " ; ") + pointer;
  }
  EXPECT_EQ(UnusedFieldsError(input), "User provided input includes unused fields: " + expected);
  EXPECT_EQ(expected,
            "/SampleData/a~1b ; /SampleData/t~0 ; /SampleData/e ; /SampleData/deep/0/0 ; "
            "/SampleData/deep/1/0 ; /SampleData/deep/1/1/k~0~1 ; /SampleMetaData");
}

// The fuzzer's JSON set 262 on a bitmask of 8 bits (tests/data/fuzz-regressions/
// injection-bitmask-beyond-bit-bound.bin): it was stored whole and cut to 6 on the wire.
TEST(FuzzRegression, BitmaskFlagsBeyondTheBitBoundAreRefused) {
  const TypeProcessor processor(
      "Flags",
      DynamicType::Structure(
          "Flags",
          {test::M("permissions",
                   DynamicType::Bitmask("Access", {{"READ", 0}, {"ADMIN", 7}}, 8))},
          Extensibility::FINAL),
      test::Formats{}.Flattening());
  const auto inject = [&](const std::string& value) {
    return test::InjectJson(processor, R"({"SampleData": {"permissions": )" + value + "}}")
        .value<std::uint64_t>("permissions");
  };
  EXPECT_EQ(inject("129"), 129u);
  EXPECT_EQ(inject("255"), 255u);
  try {
    inject("262");
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Out of range value '262' for field 'SampleData.permissions': the bitmask has 8 bits");
  }
}

}  // namespace
}  // namespace Quorvel
