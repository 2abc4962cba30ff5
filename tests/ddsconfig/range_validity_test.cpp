#include "ddsconfig/DDSXmlMetadata.h"
#include "ddsconfig/RangeValidity.h"
#include "ddsconfig/ValueConverters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Quorvel::ddsconfig {
namespace {

using xtypes::TypeKind;

struct RangeCase {
  TypeKind kind;
  bool signedByte;
  const char* min;
  const char* max;
  const char* defaultValue;
  bool valid;
};

std::ostream& operator<<(std::ostream& out, const RangeCase& c) {
  return out << xtypes::TypeKindName(c.kind) << (c.signedByte ? " (int8)" : "") << " min='"
             << c.min << "' max='" << c.max << "' default='" << c.defaultValue << "'";
}

class RangeAtKindLimits : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeAtKindLimits, AcceptsExactlyTheValuesOfTheKind) {
  const RangeCase& c = GetParam();
  DDSXmlMetadata metadata;
  metadata.min = c.min;
  metadata.max = c.max;
  metadata.defaultValue = c.defaultValue;
  EXPECT_EQ(CheckRangesValidity(metadata, "member", c.kind, c.signedByte), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, RangeAtKindLimits,
    ::testing::Values(
        RangeCase{TypeKind::BYTE, true, "-128", "127", "", true},
        RangeCase{TypeKind::BYTE, true, "-129", "", "", false},
        RangeCase{TypeKind::BYTE, true, "", "128", "", false},
        RangeCase{TypeKind::BYTE, false, "0", "255", "255", true},
        RangeCase{TypeKind::BYTE, false, "-1", "", "", false},
        RangeCase{TypeKind::BYTE, false, "", "256", "", false},
        RangeCase{TypeKind::INT16, false, "-32768", "32767", "-32768", true},
        RangeCase{TypeKind::INT16, false, "-32769", "", "", false},
        RangeCase{TypeKind::INT16, false, "", "32768", "", false},
        RangeCase{TypeKind::UINT16, false, "0", "65535", "", true},
        RangeCase{TypeKind::UINT16, false, "", "65536", "", false},
        RangeCase{TypeKind::UINT16, false, "", "", "-1", false},
        RangeCase{TypeKind::INT32, false, "-2147483648", "2147483647", "", true},
        RangeCase{TypeKind::INT32, false, "-2147483649", "", "", false},
        RangeCase{TypeKind::INT32, false, "", "", "2147483648", false},
        RangeCase{TypeKind::UINT32, false, "", "4294967295", "4294967295", true},
        RangeCase{TypeKind::UINT32, false, "", "4294967296", "", false},
        RangeCase{TypeKind::INT64, false, "-9223372036854775808", "9223372036854775807", "", true},
        RangeCase{TypeKind::INT64, false, "", "9223372036854775808", "", false},
        RangeCase{TypeKind::INT64, false, "-9223372036854775809", "", "", false},
        RangeCase{TypeKind::UINT64, false, "0", "18446744073709551615", "18446744073709551615", true},
        RangeCase{TypeKind::UINT64, false, "", "18446744073709551616", "", false},
        RangeCase{TypeKind::FLOAT32, false, "-3.4028234e38", "3.4028234e38", "0.5", true},
        RangeCase{TypeKind::FLOAT32, false, "", "3.5e38", "", false},
        RangeCase{TypeKind::FLOAT64, false, "-1.7976931348623157e308", "1.7976931348623157e308", "", true},
        RangeCase{TypeKind::FLOAT64, false, "", "1.8e308", "", false},
        RangeCase{TypeKind::FLOAT64, false, "-10", "10", "10.000001", false},
        RangeCase{TypeKind::FLOAT64, false, "-10", "10", "-10", true},
        RangeCase{TypeKind::FLOAT128, false, "-1e4000", "1e4000", "", true},
        RangeCase{TypeKind::CHAR8, false, "a", "z", "m", true},
        RangeCase{TypeKind::CHAR8, false, "a", "z", "{", false},
        RangeCase{TypeKind::CHAR8, false, "", "", "ab", false},
        RangeCase{TypeKind::CHAR16, false, "a", "\xc3\xbf", "\xc3\xa9", true},
        RangeCase{TypeKind::BOOLEAN, false, "0", "1", "1", true},
        RangeCase{TypeKind::BOOLEAN, false, "", "", "2", false},
        RangeCase{TypeKind::INT32, false, "5", "5", "5", true},
        RangeCase{TypeKind::INT32, false, "6", "5", "", false},
        RangeCase{TypeKind::INT32, false, "0", "10", "-1", false},
        RangeCase{TypeKind::INT32, false, "", "", "1.5", false},
        RangeCase{TypeKind::STRUCTURE, false, "0", "", "", false},
        RangeCase{TypeKind::STRING, false, "", "", "x", false}));

TEST(RangeValidity, OptionalMemberTakesNoDefault) {
  DDSXmlMetadata metadata;
  metadata.optional = 1;
  metadata.min = "0";
  metadata.max = "9";
  EXPECT_TRUE(CheckRangesValidity(metadata, "member", TypeKind::INT32));
  metadata.defaultValue = "3";
  EXPECT_FALSE(CheckRangesValidity(metadata, "member", TypeKind::INT32));
}

struct ConverterCase {
  const char* text;
  std::string expectedError;  // empty: converts
};

TEST(ValueConverters, IntegersAreReadStrictly) {
  EXPECT_EQ(values::InputToValue<std::int16_t>("-32768", "f"), -32768);
  EXPECT_EQ(values::InputToValue<std::uint8_t>("+200", "f"), 200);
  EXPECT_EQ(values::InputToValue<std::int64_t>("", "f"), 0);
  EXPECT_EQ(values::InputToValue<std::uint64_t>("18446744073709551615", "f"), UINT64_MAX);
  const ConverterCase failures[] = {
      {"40000", "Erroneous value '40000' provided for field 'f' Error = out of range [-32768, 32767]"},
      {"12x", "Erroneous value '12x' provided for field 'f' Error = not an integer"},
      {" 12", "Erroneous value ' 12' provided for field 'f' Error = not an integer"},
      {"1.5", "Erroneous value '1.5' provided for field 'f' Error = not an integer"},
  };
  for (const auto& failure : failures) {
    try {
      values::InputToValue<std::int16_t>(failure.text, "f");
      ADD_FAILURE() << failure.text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), failure.expectedError);
    }
  }
  EXPECT_EQ(values::InputToValue<std::int32_t>("0x7fffffff", "f"), INT32_MAX);
  EXPECT_EQ(values::InputToValue<std::int8_t>("-0x80", "f"), -128);
  EXPECT_THROW(values::InputToValue<std::int8_t>("0x80", "f"), std::runtime_error);
  EXPECT_THROW(values::InputToValue<std::uint8_t>("0x", "f"), std::runtime_error);
  try {
    values::InputToValue<std::uint32_t>("-1", "f");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Erroneous value '-1' provided for field 'f' Error = out of range [0, 4294967295]");
  }
}

TEST(ValueConverters, FloatsBooleansAndCharacters) {
  EXPECT_FLOAT_EQ(values::InputToValue<float>("1.5e3", "f"), 1500.0f);
  EXPECT_DOUBLE_EQ(values::InputToValue<double>("-0.25", "f"), -0.25);
  EXPECT_THROW(values::InputToValue<float>("1e39", "f"), std::runtime_error);
  EXPECT_THROW(values::InputToValue<double>("nan", "f"), std::runtime_error);
  EXPECT_TRUE(values::InputToValueBool("tRuE", "b"));
  EXPECT_FALSE(values::InputToValueBool("0", "b"));
  try {
    values::InputToValueBool("yes", "b");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Erroneous value 'yes' provided for a boolean field 'b");
  }
  EXPECT_EQ(values::InputToChar("x", "c"), 'x');
  try {
    values::InputToChar("ab", "c");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Out of range value 'ab'. Can only provide a single charecter as input.");
  }
  EXPECT_EQ(values::InputToWideChar("\xe2\x82\xac", "w"), u'\u20ac');
  EXPECT_THROW(values::InputToWideChar("\xf0\x9f\x98\x80", "w"), std::runtime_error);
  EXPECT_TRUE(values::IsNumber("-1.5e3"));
  EXPECT_TRUE(values::IsNumber("0x1F"));
  EXPECT_FALSE(values::IsNumber("inf"));
  EXPECT_FALSE(values::IsNumber("0x"));
  EXPECT_FALSE(values::IsNumber("MAX_SPEED"));
}

TEST(DDSXmlMetadata, CombiningKeepsTheMemberFirst) {
  DDSXmlMetadata member;
  member.description = "member text";
  member.max = "7";
  member.optional = 1;
  member.file = "m.xml";
  member.line = 12;
  DDSXmlMetadata typedefRecord;
  typedefRecord.description = "typedef text";
  typedefRecord.min = "1";
  typedefRecord.max = "9";
  typedefRecord.unit = "m";
  typedefRecord.defaultValue = "2";
  typedefRecord.file = "t.xml";
  typedefRecord.line = 3;
  typedefRecord.typedefDepth = 2;

  const DDSXmlMetadata combined = member + typedefRecord;
  EXPECT_EQ(combined.description, "member text ; typedef text");
  EXPECT_EQ(combined.min, "1");
  EXPECT_EQ(combined.max, "7");
  EXPECT_EQ(combined.unit, "m");
  EXPECT_EQ(combined.defaultValue, "2");
  EXPECT_EQ(combined.optional, 1u);
  EXPECT_EQ(combined.file, "m.xml");
  EXPECT_EQ(combined.line, 12u);
  EXPECT_EQ(combined.typedefDepth, 2u);

  DDSXmlMetadata silent;
  EXPECT_EQ((silent + typedefRecord).description, "typedef text");
  EXPECT_EQ((member + silent).description, "member text");
}

}  // namespace
}  // namespace Quorvel::ddsconfig
