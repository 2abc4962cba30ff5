// int8 is signed end to end: the XML name builds an INT8 (while the metadata table keeps
// int8 -> byte), the byte 0xfb decodes, prints and compares as -5, union labels on an int8
// discriminator are signed, and encoding gives the same single bytes back.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xml/XmlTypeNames.h"
#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicType.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace Quorvel::golden {
namespace {

using xtypes::DynamicData;
using xtypes::TypeKind;

constexpr const char* kTypes = R"(<types>
  <union name="Choice">
    <discriminator type="int8"/>
    <case><caseDiscriminator value="-5"/><member name="negative" type="int16"/></case>
    <case><caseDiscriminator value="default"/><member name="other" type="int8"/></case>
  </union>
  <struct name="Bytes" extensibility="final">
    <member name="small" type="int8"/>
    <member name="raw" type="uint8"/>
    <member name="choice" type="nonBasic" nonBasicTypeName="Choice"/>
    <member name="row" type="int8" arrayDimensions="2"/>
  </struct>
</types>)";

// XCDR1 little-endian: small 0xfb, raw 0xfb, discriminator 0xfb, padding to 2, negative -7,
// row -128 and 127.
const std::vector<uint8_t> kPayload{0x00, 0x01, 0x00, 0x00, 0xfb, 0xfb, 0xfb, 0x00,
                                    0xf9, 0xff, 0x80, 0x7f};

xtypes::DynamicTypePtr BytesType() {
    xml::XmlTypeReader reader;
    reader.ReadText(kTypes, ".");
    return reader.BuildLibrary().Find("Bytes");
}

TEST(SignedInt8, XmlNameBuildsInt8WhileTheMetadataTableKeepsByte) {
    EXPECT_EQ(xml::MemberTypeKind("int8"), TypeKind::INT8);
    EXPECT_EQ(static_cast<uint32_t>(xml::ConvertTypeDefToEnumDef("int8")), 0x4002u);
    for (const char* name : {"uint8", "octet", "byte"}) EXPECT_EQ(xml::MemberTypeKind(name), TypeKind::BYTE) << name;
    EXPECT_EQ(xml::MemberTypeKind("int16"), TypeKind::INT16);

    const auto type = BytesType();
    ASSERT_TRUE(type);
    const DynamicData sample(type);
    EXPECT_EQ(sample.member_info("small").kind, TypeKind::INT8);
    EXPECT_EQ(sample.member_info("raw").kind, TypeKind::BYTE);
    EXPECT_EQ(sample.member_info("row").element_kind, TypeKind::INT8);
    EXPECT_EQ(type->all_members().front().type->name(), "int8");
}

TEST(SignedInt8, DecodesPrintsAndEncodesSigned) {
    DynamicData sample(BytesType());
    cdr::from_cdr_buffer(sample, kPayload);
    EXPECT_EQ(xtypes::ToText(sample),
              R"({"small":-5,"raw":251,"choice":{"discriminator":-5,"negative":-7},"row":[-128,127]})");
    EXPECT_EQ(sample.value<int8_t>("small"), -5);
    EXPECT_EQ(sample.value<uint8_t>("raw"), 251);
    EXPECT_EQ(sample.loan_value("choice").discriminator_value(), -5);
    std::vector<int8_t> row;
    sample.loan_value("row").get_values(row);
    EXPECT_EQ(row, (std::vector<int8_t>{-128, 127}));
    EXPECT_EQ(cdr::to_cdr_buffer(sample, {cdr::CdrVersion::XCDR1, cdr::ByteOrder::LITTLE}), kPayload);
}

TEST(SignedInt8, TypedAccessKeepsSignedAndUnsignedApart) {
    DynamicData sample(BytesType());
    sample.value<int8_t>("small", -128);
    EXPECT_EQ(sample.value<int8_t>("small"), -128);
    EXPECT_THROW(sample.value<uint8_t>("small"), std::runtime_error);
    EXPECT_THROW(sample.value<int8_t>("raw"), std::runtime_error);
    // Selecting the default case by its own member, then the labelled one by a signed value.
    xtypes::DynamicDataRef choice = sample.loan_value("choice");
    choice.value<int8_t>("other", 100);
    EXPECT_NE(choice.discriminator_value(), -5);
    choice.discriminator_value(-5);
    EXPECT_EQ(choice.selected_member_index(), 1u);
    choice.discriminator_value(0);
    EXPECT_EQ(choice.selected_member_index(), 2u);
    // A value beyond the kind's range is cut to the byte the wire would carry: 251 is 0xfb, -5.
    choice.discriminator_value(251);
    EXPECT_EQ(choice.selected_member_index(), 1u);
    EXPECT_EQ(choice.discriminator_value(), -5);
}

}  // namespace
}  // namespace Quorvel::golden
