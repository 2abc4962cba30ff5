#include "RichSamples.h"
#include "SampleFill.h"
#include "rich.h"

#include <cstdint>

namespace Quorvel::InteropPeers {
namespace {

NamedSample Zero() {
    NamedSample named{"extras_zero", CycloneSample(Rich_Extras_desc)};
    auto& s = named.sample.As<Rich_Extras>();
    s.uint8_choice._d = 0;
    return named;
}

// Highest flag of every bitmask and the extreme labels.
NamedSample HighBits() {
    NamedSample named{"extras_high", CycloneSample(Rich_Extras_desc)};
    auto& s = named.sample.As<Rich_Extras>();
    s.slot = 255;
    s.lane = Limits<int8_t>::min();
    s.serial = Limits<uint64_t>::max();
    s.permissions = Rich_READ | Rich_WRITE | Rich_ADMIN;
    s.channel_mask = Rich_CH0 | Rich_CH15;
    s.feature_set = Rich_ALPHA | Rich_BETA | Rich_OMEGA;
    s.wide = Rich_LOW_BIT | Rich_HIGH_BIT | Rich_TOP_BIT;
    SetSequence(s.access_log, {Rich_ADMIN, 0, Rich_READ | Rich_WRITE});
    s.feature_rows[0] = Rich_OMEGA;
    s.feature_rows[1] = Rich_BETA;
    s.int8_choice._d = 127;
    s.int8_choice._u.max_value = -1.0e-300;
    s.uint8_choice._d = 200;
    SetText(s.uint8_choice._u.text, "two hundred");
    s.ushort_choice._d = 65535;
    s.ushort_choice._u.top = Limits<int32_t>::min();
    s.ulong_choice._d = 70000;
    s.ulong_choice._u.big = Limits<double>::max();
    return named;
}

// Default branches everywhere, reached by discriminators that share their low bits with a
// label (257 for uint16, 70000 + 2^31 for uint32): a decoder must compare whole values.
NamedSample Defaults() {
    NamedSample named{"extras_defaults", CycloneSample(Rich_Extras_desc)};
    auto& s = named.sample.As<Rich_Extras>();
    s.slot = 1;
    s.lane = -1;
    s.serial = uint64_t{1} << 32;
    s.permissions = Rich_WRITE;
    s.feature_set = Rich_BETA;
    s.wide = Rich_HIGH_BIT;
    s.int8_choice._d = -128;
    s.int8_choice._u.other = 0xab;
    s.uint8_choice._d = 1;
    s.uint8_choice._u.other = -2;
    s.ushort_choice._d = 257;
    s.ushort_choice._u.other = 'z';
    s.ulong_choice._d = 70000 + (uint32_t{1} << 31);
    s.ulong_choice._u.other = true;
    return named;
}

}  // namespace

std::vector<NamedSample> ExtrasSamples() { return CollectSamples(&Zero, &HighBits, &Defaults); }

}  // namespace Quorvel::InteropPeers
