// Annotated payloads: what the bytes are, and what must come out of them.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/support/TestTypes.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

namespace Quorvel::testing {
namespace {

using xtypes::DynamicData;
using xtypes::ToText;

struct Case_ {
    const char* what;
    DynamicTypePtr type;
    const char* hex;
    const char* expected;
};

DynamicTypePtr AlignProbe(Extensibility ext) {
    return DynamicType::Structure("Probe", {M("c", Prim(TypeKind::CHAR8)), M("d", Prim(TypeKind::FLOAT64)),
                                            M("s", Prim(TypeKind::INT16))},
                                  ext);
}

DynamicTypePtr OptionalProbe(Extensibility ext) {
    return DynamicType::Structure("Opt", {M("a", Prim(TypeKind::INT16)), Opt("o", Prim(TypeKind::INT32), 5),
                                          M("b", Prim(TypeKind::BYTE))},
                                  ext);
}

class AnnotatedPayload : public ::testing::TestWithParam<Case_> {};

TEST_P(AnnotatedPayload, DecodesToTheExpectedValues) {
    const Case_& c = GetParam();
    DynamicData sample(c.type);
    cdr::from_cdr_buffer(sample, Hex(c.hex));
    EXPECT_TRUE(JsonEq(ToText(sample), c.expected)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AnnotatedPayload,
    ::testing::Values(
        // XCDR1 aligns the double to 8 from the body start: 'c', 7 padding bytes, d, s.
        Case_{"XCDR1 LE 8-byte alignment", AlignProbe(Extensibility::FINAL),
              "0001 0000  41 00000000000000  000000000000f03f  0500", R"({"c":"A","d":1,"s":5})"},
        Case_{"XCDR1 BE 8-byte alignment", AlignProbe(Extensibility::FINAL),
              "0000 0000  41 00000000000000  3ff0000000000000  0005", R"({"c":"A","d":1,"s":5})"},
        // XCDR2 aligns it to 4 only.
        Case_{"XCDR2 LE 4-byte alignment", AlignProbe(Extensibility::FINAL),
              "0007 0000  41 000000  000000000000f03f  0500 0000", R"({"c":"A","d":1,"s":5})"},
        Case_{"XCDR2 BE appendable with DHEADER", AlignProbe(Extensibility::APPENDABLE),
              "0008 0000  0000000e  41 000000  3ff0000000000000  0005 0000", R"({"c":"A","d":1,"s":5})"},
        // Padding option bits set to garbage are ignored.
        Case_{"options ignored", AlignProbe(Extensibility::FINAL),
              "0007 ffff  41 000000  000000000000f03f  0500 0000", R"({"c":"A","d":1,"s":5})"},
        // A run of members whose wire position disagrees with memory (after a string) is
        // decoded member by member.
        Case_{"run after a string", DynamicType::Structure("R", {M("c", Prim(TypeKind::CHAR8)), M("s", DynamicType::String()),
                                                                 M("a", Prim(TypeKind::INT16)), M("b", Prim(TypeKind::INT32))},
                                                             Extensibility::FINAL),
              "0001 0000  41 000000  02000000 7800  0500  07000000", R"({"c":"A","s":"x","a":5,"b":7})"},
        // XCDR1 optional: parameter header (id 5, length 4) aligned to 4, then the value; an
        // absent one is a header of length 0.
        Case_{"XCDR1 optional present", OptionalProbe(Extensibility::FINAL),
              "0000 0000  0001 0000  0005 0004 00000063  07", R"({"a":1,"o":99,"b":7})"},
        Case_{"XCDR1 optional absent", OptionalProbe(Extensibility::FINAL),
              "0001 0000  0100 0000  0500 0000  07", R"({"a":1,"b":7})"},
        // XCDR2 optional: a presence byte, then the value aligned.
        Case_{"XCDR2 optional present", OptionalProbe(Extensibility::FINAL),
              "0006 0000  0001 01 00  00000063  07", R"({"a":1,"o":99,"b":7})"},
        Case_{"XCDR2 optional absent", OptionalProbe(Extensibility::FINAL), "0006 0000  0001 00 07",
              R"({"a":1,"b":7})"},
        // Strings: length includes the NUL.
        Case_{"XCDR1 strings", DynamicType::Structure("S", {M("s", DynamicType::String()), M("t", DynamicType::String())},
                                                       Extensibility::FINAL),
              "0001 0000  03000000 6869 00 00  01000000 00", R"({"s":"hi","t":""})"},
        // Wide strings: XCDR2 byte length without terminator; XCDR1 character count with it.
        Case_{"XCDR2 wstring", DynamicType::Structure("W", {M("w", DynamicType::WString())}, Extensibility::FINAL),
              "0006 0000  00000004 0048 263a", R"({"w":"H\u263a"})"},
        Case_{"XCDR1 wstring", DynamicType::Structure("W", {M("w", DynamicType::WString())}, Extensibility::FINAL),
              "0001 0000  03000000 4800 3a26 0000", R"({"w":"H\u263a"})"},
        // Enums: XCDR1 always 4 bytes; XCDR2 by bit bound (8 bits -> 1 byte).
        Case_{"XCDR1 small enum", DynamicType::Structure("E", {M("e", DynamicType::Enumeration("Small", {{"A", 0}, {"B", 7}}, 8)),
                                                              M("b", Prim(TypeKind::BYTE))},
                                                          Extensibility::FINAL),
              "0001 0000  07000000 09", R"({"e":7,"b":9})"},
        Case_{"XCDR2 small enum", DynamicType::Structure("E", {M("e", DynamicType::Enumeration("Small", {{"A", 0}, {"B", 7}}, 8)),
                                                              M("b", Prim(TypeKind::BYTE))},
                                                          Extensibility::FINAL),
              "0007 0000  07 09", R"({"e":7,"b":9})"},
        // Bitmask of 16 bits: 2 bytes in both versions.
        Case_{"bitmask 16", DynamicType::Structure("B", {M("m", DynamicType::Bitmask("M", {{"F", 9}}, 16))}, Extensibility::FINAL),
              "0000 0000  0201", R"({"m":513})"},
        // Bitset of 12 bits: held in 2 bytes.
        Case_{"bitset 12", DynamicType::Structure("BS", {M("b", DynamicType::Bitset("Bits", {{"lo", 4, TypeKind::BYTE}, {"hi", 8, TypeKind::BYTE}})),
                                                        M("o", Prim(TypeKind::BYTE))},
                                                    Extensibility::FINAL),
              "0001 0000  ab0c 07", R"({"b":3243,"o":7})"},
        // XCDR2: sequences of enumerations carry a DHEADER like any non-primitive element.
        Case_{"XCDR2 enum sequence", DynamicType::Structure("ES", {M("c", DynamicType::Sequence(ColorEnum()))}, Extensibility::FINAL),
              "0006 0000  0000000c 00000002 00000002 00000001", R"({"c":[2,1]})"},
        // XCDR2: sequence of structs has a DHEADER, sequence of longs has not.
        Case_{"XCDR2 sequences", DynamicType::Structure("Q", {M("p", DynamicType::Sequence(PointType())),
                                                             M("l", DynamicType::Sequence(Prim(TypeKind::INT32)))},
                                                         Extensibility::FINAL),
              "0006 0000  00000014 00000001 3ff0000000000000 4000000000000000  00000002 00000003 00000004",
              R"({"p":[{"x":1,"y":2}],"l":[3,4]})"},
        // XCDR1: no DHEADER; array of strings and 2-D short array.
        Case_{"XCDR1 arrays", DynamicType::Structure("A", {M("g", DynamicType::Array(Prim(TypeKind::INT16), {2, 2})),
                                                          M("n", DynamicType::Array(DynamicType::String(), {2}))},
                                                      Extensibility::FINAL),
              "0000 0000  0001 0002 0003 0004  00000002 6100 0000  00000002 6200", R"({"g":[[1,2],[3,4]],"n":["a","b"]})"},
        // Union on an enum discriminator; a value no label names selects the default case.
        Case_{"union enum label", DynamicType::Structure("U", {M("u", ChoiceUnion())}, Extensibility::FINAL),
              "0001 0000  00000000 2a000000", R"({"u":{"discriminator":0,"count":42}})"},
        Case_{"union default", DynamicType::Structure("U", {M("u", ChoiceUnion())}, Extensibility::FINAL),
              "0001 0000  02000000 03000000 7879 00", R"({"u":{"discriminator":2,"text":"xy"}})"},
        // long double: 16 bytes, aligned to 8 in XCDR1.
        Case_{"long double", DynamicType::Structure("L", {M("b", Prim(TypeKind::BYTE)), M("q", Prim(TypeKind::FLOAT128))},
                                                     Extensibility::FINAL),
              "0000 0000  01 00000000000000  3fff8000000000000000000000000000", R"({"b":1,"q":1.5})"}));

TEST(UnionDecode, ValueNoCaseNamesLeavesNothingSelected) {
    auto type = DynamicType::Union("NoDefault", Prim(TypeKind::INT16), {Case("a", Prim(TypeKind::INT32), {1})},
                                   Extensibility::FINAL);
    DynamicData sample(type);
    cdr::from_cdr_buffer(sample, Hex("0001 0000 0900"));
    EXPECT_EQ(sample.discriminator_value(), 9);
    EXPECT_EQ(sample.member_count(), 0u);
    EXPECT_FALSE(sample.member_exists("a"));
}

TEST(UnionDecode, MutableUnionWithoutItsCaseMemberHoldsDefaults) {
    DynamicData sample(ChoiceUnion(Extensibility::MUTABLE));
    sample.value<double>("level", 2.5);
    cdr::from_cdr_buffer(sample, cdr::to_cdr_buffer(sample));
    EXPECT_EQ(sample.value<double>("level"), 2.5);
    // PL_CDR2_LE, DHEADER 8, EMHEADER (must-understand, 4 bytes, id 0), discriminator GREEN.
    cdr::from_cdr_buffer(sample, Hex("000b 0000  08000000  000000a0 01000000"));
    EXPECT_TRUE(JsonEq(ToText(sample), R"({"discriminator":1,"level":0})"));
}

TEST(UnionDecode, SignedLabelsOfOctetDiscriminatorsMatchTheirByte) {
    // An int8 discriminator is an octet: the label -5 is the byte 0xfb.
    auto type = DynamicType::Union("Int8Choice", Prim(TypeKind::BYTE),
                                   {Case("minus_five", Prim(TypeKind::INT16), {-5}), Case("other", Prim(TypeKind::BYTE), {}, true)},
                                   Extensibility::FINAL);
    DynamicData sample(type);
    cdr::from_cdr_buffer(sample, Hex("0001 0000 fb 00 0700"));
    EXPECT_TRUE(JsonEq(ToText(sample), R"({"discriminator":251,"minus_five":7})"));
    sample.discriminator_value(-5);
    EXPECT_EQ(sample.selected_member_index(), 1u);
}

}  // namespace
}  // namespace Quorvel::testing
