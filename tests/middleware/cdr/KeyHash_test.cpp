// Key hashes (DDSI-RTPS 2.5, 9.6.3.8) against values computed by hand and with md5sum.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/Md5.h"
#include "middleware/cdr/support/TestTypes.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace Quorvel::testing {
namespace {

using cdr::CdrVersion;
using xtypes::DynamicData;

std::string ToHex(const cdr::KeyHash& hash) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (uint8_t b : hash) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

TEST(Md5, MatchesMd5sum) {
    const std::string x200(200, 'x');
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {x200, "30a83621ce5422fbdfdd539777458c78"},
    };
    for (const auto& [input, digest] : cases)
        EXPECT_EQ(ToHex(cdr::Md5(reinterpret_cast<const uint8_t*>(input.data()), input.size())), digest);
}

TEST(KeyHash, ShortKeyIsTheBigEndianKeyZeroPadded) {
    auto type = DynamicType::Structure("K", {Key("id", Prim(TypeKind::INT32)), M("other", Prim(TypeKind::FLOAT64)),
                                             Key("s", Prim(TypeKind::INT16))},
                                       Extensibility::APPENDABLE);
    DynamicData sample(type);
    sample.value<int32_t>("id", 0x01020304);
    sample.value<int16_t>("s", 0x0506);
    sample.value<double>("other", 3.0);  // not part of the key
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample)), "01020304050600000000000000000000");
}

TEST(KeyHash, MembersInIdOrderAndNestedKeysOnly) {
    auto zone = DynamicType::Structure("Zone", {Key("zone_id", Prim(TypeKind::INT16)), M("name", DynamicType::String())},
                                       Extensibility::FINAL);
    auto ordered = DynamicType::Structure("K", {[] { auto m = Key("b", Prim(TypeKind::INT32)); m.id = 5; return m; }(),
                                                [&] { auto m = Key("z", zone); m.id = 2; return m; }()},
                                          Extensibility::FINAL);
    DynamicData sample(ordered);
    sample.value<int32_t>("b", 7);
    auto z = sample.loan_value("z");
    z.value<int16_t>("zone_id", 0x0102);
    z.value<std::string>("name", "not in the key");
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample)), "01020000000000070000000000000000");
}

TEST(KeyHash, AlignmentDiffersBetweenXcdr1AndXcdr2) {
    auto type = DynamicType::Structure("K", {Key("c", Prim(TypeKind::INT32)), Key("a", Prim(TypeKind::INT64))},
                                       Extensibility::FINAL);
    DynamicData sample(type);
    sample.value<int32_t>("c", 1);
    sample.value<int64_t>("a", 2);
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample, CdrVersion::XCDR2)), "00000001000000000000000200000000");
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample, CdrVersion::XCDR1)), "00000001000000000000000000000002");
}

TEST(KeyHash, LongOrUnboundedKeysAreHashedWithMd5) {
    auto strings = DynamicType::Structure("S", {Key("name", DynamicType::String())}, Extensibility::FINAL);
    DynamicData named(strings);
    named.value<std::string>("name", "abc");
    // md5(00000004 'a' 'b' 'c' 00)
    EXPECT_EQ(ToHex(cdr::compute_key_hash(named)), "1a6974cae0ba21bf15f88d759c31eaf8");

    auto wide = DynamicType::Structure("W", {Key("a", Prim(TypeKind::INT32)), Key("b", Prim(TypeKind::INT64)),
                                             Key("c", Prim(TypeKind::INT64)), Key("d", Prim(TypeKind::INT32))},
                                       Extensibility::FINAL);
    DynamicData sample(wide);
    sample.value<int32_t>("a", 1);
    sample.value<int64_t>("b", 2);
    sample.value<int64_t>("c", 3);
    sample.value<int32_t>("d", 4);
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample)), "d4a0f39bbdbce4a81acc3e71e9e00de2");
}

TEST(KeyHash, BoundedStringKeyThatFitsIsNotHashed) {
    auto type = DynamicType::Structure("S", {Key("name", DynamicType::String(8))}, Extensibility::FINAL);
    DynamicData sample(type);
    sample.value<std::string>("name", "ab");
    // 4 + 8 + 1 = 13 bytes at most: the serialized key itself.
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample)), "00000003616200000000000000000000");
}

TEST(KeyHash, KeylessTypesHaveAZeroHash) {
    DynamicData sample(PointType());
    sample.value<double>("x", 1);
    EXPECT_EQ(ToHex(cdr::compute_key_hash(sample)), std::string(32, '0'));
}

}  // namespace
}  // namespace Quorvel::testing
