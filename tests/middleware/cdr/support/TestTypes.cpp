#include "middleware/cdr/support/TestTypes.h"

#include <cctype>
#include <stdexcept>

namespace Quorvel::testing {

DynamicTypePtr Prim(TypeKind kind) { return DynamicType::Primitive(kind); }

Member M(std::string name, DynamicTypePtr type, uint32_t id) {
    Member m;
    m.name = std::move(name);
    m.type = std::move(type);
    m.id = id;
    return m;
}

Member Key(std::string name, DynamicTypePtr type) {
    Member m = M(std::move(name), std::move(type));
    m.key = true;
    return m;
}

Member Opt(std::string name, DynamicTypePtr type, uint32_t id) {
    Member m = M(std::move(name), std::move(type), id);
    m.optional = true;
    return m;
}

Member Case(std::string name, DynamicTypePtr type, std::vector<int64_t> labels, bool isDefault) {
    Member m = M(std::move(name), std::move(type));
    m.labels = std::move(labels);
    m.isDefault = isDefault;
    return m;
}

DynamicTypePtr ColorEnum() {
    return DynamicType::Enumeration("Color", {{"RED", 0}, {"GREEN", 1}, {"BLUE", 2}});
}

DynamicTypePtr PointType(Extensibility extensibility) {
    return DynamicType::Structure("Point", {M("x", Prim(TypeKind::FLOAT64)), M("y", Prim(TypeKind::FLOAT64))},
                                  extensibility);
}

DynamicTypePtr ChoiceUnion(Extensibility extensibility) {
    return DynamicType::Union("Choice", ColorEnum(),
                              {Case("count", Prim(TypeKind::INT32), {0}),
                               Case("level", Prim(TypeKind::FLOAT64), {1}),
                               Case("text", DynamicType::String(), {}, true)},
                              extensibility);
}

DynamicTypePtr RichType(Extensibility extensibility) {
    const auto i32 = Prim(TypeKind::INT32);
    const auto i16 = Prim(TypeKind::INT16);
    std::vector<Member> members = {
        Key("id", i32),
        M("flag", Prim(TypeKind::BOOLEAN)),
        M("octet", Prim(TypeKind::BYTE)),
        M("letter", Prim(TypeKind::CHAR8)),
        M("wide", Prim(TypeKind::CHAR16)),
        M("i16", i16),
        M("u16", Prim(TypeKind::UINT16)),
        M("u32", Prim(TypeKind::UINT32)),
        M("i64", Prim(TypeKind::INT64)),
        M("u64", Prim(TypeKind::UINT64)),
        M("f32", Prim(TypeKind::FLOAT32)),
        M("f64", Prim(TypeKind::FLOAT64)),
        M("f128", Prim(TypeKind::FLOAT128)),
        M("text", DynamicType::String()),
        M("bounded", DynamicType::String(8)),
        M("wtext", DynamicType::WString()),
        M("color", ColorEnum()),
        M("small_enum", DynamicType::Enumeration("Small", {{"A", 0}, {"B", 7}}, 8)),
        M("mask", DynamicType::Bitmask("Mask", {{"F0", 0}, {"F9", 9}}, 16)),
        M("grid", DynamicType::Array(i16, {2, 3})),
        M("code", DynamicType::Array(Prim(TypeKind::CHAR8), {4})),
        M("corners", DynamicType::Array(PointType(Extensibility::APPENDABLE), {2})),
        M("longs", DynamicType::Sequence(i32)),
        M("doubles", DynamicType::Sequence(Prim(TypeKind::FLOAT64), 5)),
        M("names", DynamicType::Sequence(DynamicType::String())),
        M("path", DynamicType::Sequence(PointType())),
        M("nested", DynamicType::Sequence(DynamicType::Sequence(i16))),
        M("choice", ChoiceUnion()),
        M("where", PointType(Extensibility::MUTABLE)),
        Opt("maybe_long", i32),
        Opt("maybe_text", DynamicType::String()),
        Opt("maybe_point", PointType()),
        M("alias_long", DynamicType::Alias("LongAlias", i32)),
    };
    return DynamicType::Structure("Rich", std::move(members), extensibility);
}

std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("bad hex text");
        const int nibble = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | nibble));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits");
    return bytes;
}

}  // namespace Quorvel::testing

#include "middleware/xtypes/DynamicDataRef.h"

namespace Quorvel::testing {

void FillRich(xtypes::DynamicDataRef s, int seed, bool withOptionals) {
    s.value<int32_t>("id", 1000 + seed);
    s.value<bool>("flag", true);
    s.value<uint8_t>("octet", static_cast<uint8_t>(0xA0 + seed));
    s.value<char>("letter", 'q');
    s.value<char16_t>("wide", u'\u00e9');
    s.value<int16_t>("i16", static_cast<int16_t>(-1234 - seed));
    s.value<uint16_t>("u16", 54321);
    s.value<uint32_t>("u32", 4000000000u);
    s.value<int64_t>("i64", -9000000000000LL * (seed + 1));
    s.value<uint64_t>("u64", 18000000000000000000ULL);
    s.value<float>("f32", 0.1f);
    s.value<double>("f64", -2.5e100);
    s.value<long double>("f128", 1.5L);
    s.value<std::string>("text", "hello, world " + std::to_string(seed));
    s.value<std::string>("bounded", "eight!!!");
    s.set_values("wtext", std::vector<uint16_t>{'W', 0x263A, 'x'});
    s.value<int32_t>("color", 2);
    s.value<int32_t>("small_enum", 7);
    s.value<uint64_t>("mask", 0x201);
    auto grid = s.loan_value("grid");
    for (uint32_t i = 1; i <= 6; ++i) grid.value<int16_t>(i, static_cast<int16_t>(i * 11 + seed));
    auto code = s.loan_value("code");
    for (uint32_t i = 1; i <= 4; ++i) code.value<char>(i, static_cast<char>('a' + i));
    auto corners = s.loan_value("corners");
    for (uint32_t i = 1; i <= 2; ++i) {
        auto p = corners.loan_value(i);
        p.value<double>("x", i * 1.25);
        p.value<double>("y", -2.5 * i);
    }
    auto longs = s.loan_value("longs");
    for (uint32_t i = 1; i <= 10; ++i) longs.value<int32_t>(i, static_cast<int32_t>(i * 100000 + seed));
    auto doubles = s.loan_value("doubles");
    for (uint32_t i = 1; i <= 3; ++i) doubles.value<double>(i, i / 3.0);
    auto names = s.loan_value("names");
    names.value<std::string>(1u, "alpha");
    names.value<std::string>(2u, "");
    names.value<std::string>(3u, "a much longer name that does not fit any small buffer");
    auto path = s.loan_value("path");
    for (uint32_t i = 1; i <= 4; ++i) {
        auto p = path.loan_value(i);
        p.value<double>("x", i);
        p.value<double>("y", i + 0.5);
    }
    auto nested = s.loan_value("nested");
    nested.loan_value(1).set_length(0);
    auto second = nested.loan_value(2);
    second.value<int16_t>(1u, 7);
    second.value<int16_t>(2u, -7);
    s.loan_value("choice").value<double>("level", 3.75);
    auto where = s.loan_value("where");
    where.value<double>("x", 9.0);
    where.value<double>("y", -9.0);
    if (withOptionals) {
        s.value<int32_t>("maybe_long", -77);
        s.value<std::string>("maybe_text", "present");
        s.loan_value("maybe_point").value<double>("y", 4.0);
    }
    s.value<int32_t>("alias_long", 31337);
}

}  // namespace Quorvel::testing

#include <nlohmann/json.hpp>

namespace Quorvel::testing {

::testing::AssertionResult JsonEq(const std::string& actual, const std::string& expected) {
    if (nlohmann::json::parse(actual) == nlohmann::json::parse(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n  actual:   " << actual << "\n  expected: " << expected;
}

}  // namespace Quorvel::testing
