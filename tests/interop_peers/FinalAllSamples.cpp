#include "RichSamples.h"
#include "SampleFill.h"
#include "rich.h"

#include <cstdint>
#include <cstring>

namespace Quorvel::InteropPeers {
namespace {

// Everything zero or empty: the first enumerators, empty strings and sequences, discriminators
// of 0 (RED, the default branches, no branch at all for the char union, FALSE).
NamedSample Zero() {
    NamedSample named{"final_zero", CycloneSample(Rich_FinalAll_desc)};
    auto& s = named.sample.As<Rich_FinalAll>();
    SetText(s.free_text, "");
    SetText(s.names[0], "");
    SetText(s.names[1], "");
    s.color_choice._d = Rich_RED;
    s.flag_choice._d = false;
    return named;
}

NamedSample Extremes() {
    NamedSample named{"final_extremes", CycloneSample(Rich_FinalAll_desc)};
    auto& s = named.sample.As<Rich_FinalAll>();
    s.id = Limits<int32_t>::min();
    s.zone.zone_id = Limits<int16_t>::min();
    SetBoundedText(s.zone.zone_name, "ABCDEFGHIJKLMNOP");
    s.prims = Rich_Primitives{true,
                              255,
                              Limits<int8_t>::min(),
                              Limits<uint8_t>::max(),
                              '~',
                              Limits<int16_t>::min(),
                              Limits<uint16_t>::max(),
                              Limits<int32_t>::min(),
                              Limits<uint32_t>::max(),
                              Limits<int64_t>::min(),
                              Limits<uint64_t>::max(),
                              -Limits<float>::max(),
                              -0.0};
    SetText(s.free_text, "line one\nline \"two\"\t\\ end");
    SetBoundedText(s.bounded_text, "0123456789abcdef");
    SetBoundedText(s.aliased_text, "fedcba9876543210");
    s.paint = Rich_BLUE;
    s.grade = Rich_TOP;
    const int16_t cells[2][3] = {{Limits<int16_t>::min(), -1, 0}, {1, 2, Limits<int16_t>::max()}};
    std::memcpy(s.cells, cells, sizeof cells);
    s.matrix[0][0] = Limits<double>::max();
    s.matrix[0][1] = -Limits<double>::max();
    s.matrix[1][0] = Limits<double>::denorm_min();
    s.matrix[1][1] = -0.0;
    std::memcpy(s.code, "WXYZ", 4);
    const uint8_t raw[6] = {0, 1, 127, 128, 254, 255};
    std::memcpy(s.raw, raw, sizeof raw);
    s.corners[0] = Rich_Geo_Point{-1.0e308, 1.0e-308};
    s.corners[1] = Rich_Geo_Point{0.1, -0.2};
    SetText(s.names[0], "north-west");
    SetText(s.names[1], "");
    SetSequence(s.bounded_shorts, {Limits<int16_t>::min(), Limits<int16_t>::max(), 0, -1});
    SetSequence(s.longs, {Limits<int32_t>::min(), Limits<int32_t>::max()});
    SetSequence(s.big_numbers, {uint64_t{0}, Limits<uint64_t>::max(), uint64_t{1} << 63});
    SetTextSequence(s.texts, {"", "x", "an unbounded text that is longer than any bound here"});
    SetBoundedTextSequence(s.bounded_names, {"ABCDEFGHIJKLMNOP", "", "q"});
    auto* path = ResizeSequence(s.path, 3);
    path[0] = Rich_Geo_Point{1.5, -1.5};
    path[1] = Rich_Geo_Point{1.0e-300, 1.0e300};
    path[2] = Rich_Geo_Point{-0.0, 0.0};
    auto* nested = ResizeSequence(s.nested_longs, 3);
    SetSequence(nested[1], {1});
    SetSequence(nested[2], {Limits<int32_t>::min(), 0, Limits<int32_t>::max()});
    SetSequence(s.long_rows[0], {7, 8, 9});
    SetSequence(s.colors, {Rich_BLUE, Rich_RED, Rich_GREEN});
    s.color_choice._d = Rich_GREEN;
    s.color_choice._u.green_level = 2.5;
    s.short_choice._d = 300;
    s.short_choice._u.where = Rich_Geo_Point{1.5, -2.25};
    s.long_choice._d = -1;
    SetBoundedText(s.long_choice._u.caption, "caption-16-chars");
    s.octet_choice._d = 255;
    s.octet_choice._u.big = Limits<uint64_t>::max();
    s.char_choice._d = 'a';
    s.char_choice._u.a_value = Limits<int32_t>::max();
    s.flag_choice._d = true;
    s.flag_choice._u.on_value = Limits<int32_t>::min();
    return named;
}

// Ordinary values, partly filled bounded sequences, empty inner sequences, the second label
// of the multi-label cases and the default branches.
NamedSample Mixed() {
    NamedSample named{"final_mixed", CycloneSample(Rich_FinalAll_desc)};
    auto& s = named.sample.As<Rich_FinalAll>();
    s.id = 42;
    s.zone.zone_id = 7;
    SetBoundedText(s.zone.zone_name, "north");
    s.prims = Rich_Primitives{false,
                              0x5a,
                              -5,
                              200,
                              'q',
                              -1234,
                              4321,
                              -123456789,
                              3000000000u,
                              -1234567890123LL,
                              12345678901234567890ULL,
                              0.1f,
                              3.141592653589793};
    SetText(s.free_text, "hello");
    SetBoundedText(s.bounded_text, "bounded");
    SetBoundedText(s.aliased_text, "alias");
    s.paint = Rich_GREEN;
    s.grade = Rich_MID;
    const int16_t cells[2][3] = {{1, 2, 3}, {4, 5, 6}};
    std::memcpy(s.cells, cells, sizeof cells);
    s.matrix[0][0] = 0.5;
    s.matrix[0][1] = -1.5;
    s.matrix[1][0] = 1.0e-300;
    s.matrix[1][1] = 1.0e300;
    const char code[4] = {'a', 'b', '\0', 'd'};
    std::memcpy(s.code, code, sizeof code);
    const uint8_t raw[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(s.raw, raw, sizeof raw);
    s.corners[0] = Rich_Geo_Point{3.0, 4.0};
    s.corners[1] = Rich_Geo_Point{-3.0, -4.0};
    SetText(s.names[0], "first");
    SetText(s.names[1], "second");
    SetSequence(s.bounded_shorts, {1, 2});
    SetSequence(s.longs, {1});
    SetTextSequence(s.texts, {"only"});
    SetBoundedTextSequence(s.bounded_names, {"alpha"});
    ResizeSequence(s.nested_longs, 2);
    SetSequence(s.long_rows[1], {-1});
    s.color_choice._d = Rich_BLUE;
    SetText(s.color_choice._u.other_text, "blue is the default");
    s.short_choice._d = 2;
    s.short_choice._u.small_value = 99;
    s.long_choice._d = 200;
    SetSequence(s.long_choice._u.shorts, {-1, 2, -3});
    s.octet_choice._d = 17;
    s.octet_choice._u.ratio = 0.25f;
    s.char_choice._d = 'c';
    SetText(s.char_choice._u.bc_text, "see");
    s.flag_choice._d = false;
    SetBoundedText(s.flag_choice._u.off_name, "off");
    return named;
}

}  // namespace

std::vector<NamedSample> FinalAllSamples() { return CollectSamples(&Zero, &Extremes, &Mixed); }

}  // namespace Quorvel::InteropPeers
