// Encode -> decode round trips of the rich type in every encapsulation, plus type evolution:
// appendable samples from newer and older writers, mutable members reordered or unknown.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/CdrError.h"
#include "middleware/cdr/support/TestTypes.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

namespace Quorvel::testing {
namespace {

using cdr::ByteOrder;
using cdr::CdrVersion;
using xtypes::DynamicData;
using xtypes::ToText;

struct Encoding {
    Extensibility extensibility;
    CdrVersion version;
    ByteOrder order;
    uint16_t expectedId;
};

class RichRoundTrip : public ::testing::TestWithParam<Encoding> {};

TEST_P(RichRoundTrip, DecodesWhatWasEncodedAndReencodesIdentically) {
    const Encoding e = GetParam();
    const auto type = RichType(e.extensibility);
    for (bool withOptionals : {true, false}) {
        DynamicData sample(type);
        FillRich(sample, 3, withOptionals);
        const auto bytes = cdr::to_cdr_buffer(sample, {e.version, e.order});
        ASSERT_EQ(bytes.size() % 4, 0u);
        EXPECT_EQ((bytes[0] << 8) | bytes[1], e.expectedId);

        DynamicData decoded(type);
        const cdr::Encapsulation seen = cdr::from_cdr_buffer(decoded, bytes);
        EXPECT_EQ(seen.version, e.version);
        EXPECT_EQ(seen.order, e.order);
        EXPECT_EQ(ToText(decoded), ToText(sample));
        EXPECT_EQ(cdr::to_cdr_buffer(decoded, {e.version, e.order}), bytes);

        // A reused sample holding other values (longer sequences, other optionals) ends up equal.
        DynamicData reused(type);
        FillRich(reused, 9, !withOptionals);
        reused.loan_value("longs").set_length(40);
        cdr::from_cdr_buffer(reused, bytes);
        EXPECT_EQ(ToText(reused), ToText(sample));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllEncapsulations, RichRoundTrip,
    ::testing::Values(Encoding{Extensibility::FINAL, CdrVersion::XCDR1, ByteOrder::BIG, 0x0000},
                      Encoding{Extensibility::FINAL, CdrVersion::XCDR1, ByteOrder::LITTLE, 0x0001},
                      Encoding{Extensibility::MUTABLE, CdrVersion::XCDR1, ByteOrder::BIG, 0x0002},
                      Encoding{Extensibility::MUTABLE, CdrVersion::XCDR1, ByteOrder::LITTLE, 0x0003},
                      Encoding{Extensibility::APPENDABLE, CdrVersion::XCDR1, ByteOrder::LITTLE, 0x0001},
                      Encoding{Extensibility::FINAL, CdrVersion::XCDR2, ByteOrder::BIG, 0x0006},
                      Encoding{Extensibility::FINAL, CdrVersion::XCDR2, ByteOrder::LITTLE, 0x0007},
                      Encoding{Extensibility::APPENDABLE, CdrVersion::XCDR2, ByteOrder::BIG, 0x0008},
                      Encoding{Extensibility::APPENDABLE, CdrVersion::XCDR2, ByteOrder::LITTLE, 0x0009},
                      Encoding{Extensibility::MUTABLE, CdrVersion::XCDR2, ByteOrder::BIG, 0x000a},
                      Encoding{Extensibility::MUTABLE, CdrVersion::XCDR2, ByteOrder::LITTLE, 0x000b}));

TEST(CdrEncodingChoice, DefaultsToXcdr1ForFinalAndXcdr2Otherwise) {
    for (auto [ext, id] : {std::pair{Extensibility::FINAL, 0x0001}, std::pair{Extensibility::APPENDABLE, 0x0009},
                           std::pair{Extensibility::MUTABLE, 0x000b}}) {
        DynamicData sample(PointType(ext));
        EXPECT_EQ(cdr::to_cdr_buffer(sample)[1], id);
    }
}

TEST(CdrEncodingChoice, PaddingIsCountedInTheOptions) {
    DynamicData sample(DynamicType::Structure("B", {M("b", Prim(TypeKind::BYTE))}, Extensibility::FINAL));
    sample.value<uint8_t>("b", 0x7f);
    EXPECT_EQ(cdr::to_cdr_buffer(sample, {CdrVersion::XCDR2, ByteOrder::LITTLE}), Hex("0007 0003 7f 000000"));
}

// Appendable evolution: version 1 has (a, b); version 2 adds (c, d).
DynamicTypePtr AppendableV1() {
    return DynamicType::Structure("Evolving", {M("a", Prim(TypeKind::INT32)), M("b", DynamicType::String())},
                                  Extensibility::APPENDABLE);
}
DynamicTypePtr AppendableV2() {
    return DynamicType::Structure("Evolving",
                                  {M("a", Prim(TypeKind::INT32)), M("b", DynamicType::String()),
                                   M("c", DynamicType::Sequence(Prim(TypeKind::INT16))), M("d", ColorEnum())},
                                  Extensibility::APPENDABLE);
}

TEST(AppendableEvolution, NewerWriterExtraMembersAreSkipped) {
    for (CdrVersion version : {CdrVersion::XCDR2}) {
        // Wrapped in a final struct so that bytes follow the appendable member.
        auto outerV2 = DynamicType::Structure("Outer", {M("e", AppendableV2()), M("tail", Prim(TypeKind::INT32))},
                                              Extensibility::FINAL);
        auto outerV1 = DynamicType::Structure("Outer", {M("e", AppendableV1()), M("tail", Prim(TypeKind::INT32))},
                                              Extensibility::FINAL);
        DynamicData newer(outerV2);
        auto e = newer.loan_value("e");
        e.value<int32_t>("a", 5);
        e.value<std::string>("b", "bee");
        e.loan_value("c").value<int16_t>(3u, 9);
        e.value<int32_t>("d", 2);
        newer.value<int32_t>("tail", -1);
        DynamicData older(outerV1);
        cdr::from_cdr_buffer(older, cdr::to_cdr_buffer(newer, {version, ByteOrder::BIG}));
        EXPECT_TRUE(JsonEq(ToText(older), R"({"e":{"a":5,"b":"bee"},"tail":-1})"));
    }
}

TEST(AppendableEvolution, OlderWriterMissingMembersTakeDefaults) {
    for (CdrVersion version : {CdrVersion::XCDR1, CdrVersion::XCDR2}) {
        DynamicData older(AppendableV1());
        older.value<int32_t>("a", 5);
        older.value<std::string>("b", "bee");
        DynamicData newer(AppendableV2());
        newer.value<int32_t>("d", 2);  // stale values the decode must reset
        newer.loan_value("c").set_length(3);
        cdr::from_cdr_buffer(newer, cdr::to_cdr_buffer(older, {version, ByteOrder::LITTLE}));
        EXPECT_TRUE(JsonEq(ToText(newer), R"({"a":5,"b":"bee","c":[],"d":0})"));
    }
}

// Mutable: members by id, in any order, unknown ones skipped, must-understand enforced.
TEST(MutableMembers, ReorderedAndUnknownMembersXcdr2) {
    auto type = DynamicType::Structure("Mut", {M("a", Prim(TypeKind::INT32), 1), M("b", Prim(TypeKind::INT16), 2),
                                               Opt("c", Prim(TypeKind::INT64), 3)},
                                       Extensibility::MUTABLE);
    // PL_CDR2_LE; DHEADER 24; EMHEADER LC1 id 2 = short 0x0102, padding; EMHEADER LC2 id 99
    // (unknown) = 4 bytes; EMHEADER LC2 id 1 = 0x11223344.
    const auto bytes = Hex("000b 0000  18000000  02000010 0201 0000  63000020 aaaaaaaa  01000020 44332211");
    DynamicData sample(type);
    cdr::from_cdr_buffer(sample, bytes);
    EXPECT_TRUE(JsonEq(ToText(sample), R"({"a":287454020,"b":258})"));
    EXPECT_FALSE(sample.member_exists("c"));

    auto mustUnderstand = bytes;
    mustUnderstand[19] = 0xa0;  // id 99 with the M flag
    EXPECT_THROW(cdr::from_cdr_buffer(sample, mustUnderstand), cdr::CdrError);
}

TEST(MutableMembers, ParameterListWithExtendedIdXcdr1) {
    auto type = DynamicType::Structure("Mut", {M("a", Prim(TypeKind::INT32), 1), M("big", Prim(TypeKind::FLOAT64), 0x5000)},
                                       Extensibility::MUTABLE);
    // PL_CDR_BE: PID_EXTENDED (len 8) id 0x5000 len 8 = 1.0; unknown pid 0x22 len 4; pid 1 = 7;
    // PID_LIST_END.
    const auto bytes = Hex("0002 0000  3f01 0008 00005000 00000008 3ff0000000000000"
                           "0022 0004 ffffffff  0001 0004 00000007  3f02 0000");
    DynamicData sample(type);
    cdr::from_cdr_buffer(sample, bytes);
    EXPECT_TRUE(JsonEq(ToText(sample), R"({"a":7,"big":1})"));
    DynamicData again(type);
    cdr::from_cdr_buffer(again, cdr::to_cdr_buffer(sample, {CdrVersion::XCDR1, ByteOrder::BIG}));
    EXPECT_EQ(ToText(again), ToText(sample));
}

// Every EMHEADER length code: a mutable struct whose members are sent with LC 0..7.
TEST(MutableMembers, EveryLengthCode) {
    auto type = DynamicType::Structure(
        "Codes",
        {M("o", Prim(TypeKind::BYTE), 1), M("s", Prim(TypeKind::INT16), 2), M("l", Prim(TypeKind::INT32), 3),
         M("d", Prim(TypeKind::INT64), 4), M("t", DynamicType::String(), 5), M("p", PointType(Extensibility::APPENDABLE), 6),
         M("q", DynamicType::Sequence(Prim(TypeKind::INT32)), 7), M("r", DynamicType::Sequence(Prim(TypeKind::INT64)), 8)},
        Extensibility::MUTABLE);
    const auto bytes = Hex(
        "000a 0000  0000006c"
        "00000001 05 000000"                         // LC0 id1: octet 5 (+3 padding)
        "10000002 0006 0000"                         // LC1 id2: short 6
        "20000003 00000007"                          // LC2 id3: long 7
        "30000004 0000000000000008"                  // LC3 id4: long long 8
        "40000005 00000006 00000002 6900 0000"       // LC4 id5: NEXTINT 6, string "i"
        "50000006 00000010 3ff0000000000000 4000000000000000"  // LC5 id6: DHEADER 16, point(1,2)
        "60000007 00000002 0000000a 0000000b"        // LC6 id7: 2 longs
        "70000008 00000001 000000000000000c");       // LC7 id8: 1 long long
    DynamicData sample(type);
    cdr::from_cdr_buffer(sample, bytes);
    EXPECT_TRUE(JsonEq(ToText(sample), R"({"o":5,"s":6,"l":7,"d":8,"t":"i","p":{"x":1,"y":2},"q":[10,11],"r":[12]})"));
}

TEST(UnionRoundTrip, EveryDiscriminatorKindAndTheDefaultCase) {
    const std::vector<std::pair<TypeKind, std::vector<int64_t>>> kinds = {
        {TypeKind::BOOLEAN, {0, 1}}, {TypeKind::BYTE, {0, 255}},      {TypeKind::CHAR8, {'a', 'b'}},
        {TypeKind::CHAR16, {0x263A, 2}}, {TypeKind::INT16, {-7, 1}}, {TypeKind::UINT16, {65535, 1}},
        {TypeKind::INT32, {-1, 100}}, {TypeKind::UINT32, {4000000000, 1}}, {TypeKind::INT64, {-5000000000, 2}},
        {TypeKind::UINT64, {1, 2}}};
    for (const auto& [kind, labels] : kinds) {
        for (Extensibility ext : {Extensibility::FINAL, Extensibility::APPENDABLE, Extensibility::MUTABLE}) {
            const bool boolean = kind == TypeKind::BOOLEAN;
            std::vector<Member> cases = {Case("first", Prim(TypeKind::INT32), {labels[0]}),
                                         Case("second", DynamicType::String(), {labels[1]}, false)};
            if (!boolean) cases.push_back(Case("other", Prim(TypeKind::FLOAT64), {}, true));
            auto type = DynamicType::Union("U", Prim(kind), cases, ext);
            for (CdrVersion version : {CdrVersion::XCDR1, CdrVersion::XCDR2}) {
                for (ByteOrder order : {ByteOrder::BIG, ByteOrder::LITTLE}) {
                    DynamicData sample(type);
                    sample.value<std::string>("second", "two");
                    DynamicData decoded(type);
                    cdr::from_cdr_buffer(decoded, cdr::to_cdr_buffer(sample, {version, order}));
                    EXPECT_EQ(ToText(decoded), ToText(sample)) << TypeKindName(kind);
                    EXPECT_EQ(decoded.discriminator_value(), labels[1]);
                    if (boolean) continue;
                    sample.value<double>("other", 0.5);
                    cdr::from_cdr_buffer(decoded, cdr::to_cdr_buffer(sample, {version, order}));
                    EXPECT_EQ(decoded.selected_member_index(), 3u) << TypeKindName(kind);
                    EXPECT_EQ(decoded.value<double>("other"), 0.5);
                }
            }
        }
    }
}

}  // namespace
}  // namespace Quorvel::testing
