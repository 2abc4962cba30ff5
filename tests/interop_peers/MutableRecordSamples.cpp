#include "RichSamples.h"
#include "SampleFill.h"
#include "rich.h"

#include <cstdint>
#include <cstring>

namespace Quorvel::InteropPeers {
namespace {

NamedSample OptionalsUnset() {
    NamedSample named{"mutable_unset", CycloneSample(Rich_MutableRecord_desc)};
    auto& s = named.sample.As<Rich_MutableRecord>();
    s.choice._d = 100;
    return named;
}

// Shared by both versions of the type; the newer one has no member `active`.
template <typename Record>
void FillOptionalsSet(Record& s) {
    SetBoundedText(s.station, "station-alpha-16");
    s.region = Limits<int32_t>::min();
    s.temperature = -273.15;
    if constexpr (requires { s.active; }) {
        s.active = true;
    }
    s.counter = NewOptional(Limits<uint64_t>::max());
    s.position = NewOptional(Rich_Geo_Point{1.0, 2.0});
    s.notes = NewOptional(dds_sequence_string{});
    SetTextSequence(*s.notes, {"n1", "", "third note"});
    s.nested.mode = 7;
    s.nested.gain = NewOptional(0.5);
    SetBoundedText(s.nested.tag, "nested");
    SetSequence(s.nested.levels, {5, 6});
    s.choice._d = -1;
    SetBoundedText(s.choice._u.caption, "cap");
    s.prims = Rich_Primitives{true,
                              0x80,
                              Limits<int8_t>::max(),
                              0,
                              'Z',
                              Limits<int16_t>::max(),
                              0,
                              Limits<int32_t>::max(),
                              0,
                              Limits<int64_t>::max(),
                              0,
                              Limits<float>::denorm_min(),
                              Limits<double>::min()};
    const uint8_t blob[3] = {255, 0, 128};
    std::memcpy(s.blob, blob, sizeof blob);
    s.altitude = Limits<int16_t>::min();
}

NamedSample OptionalsSet() {
    NamedSample named{"mutable_set", CycloneSample(Rich_MutableRecord_desc)};
    FillOptionalsSet(named.sample.As<Rich_MutableRecord>());
    return named;
}

NamedSample Evolved() {
    NamedSample named{"evolved_mutable", CycloneSample(RichEvolved_MutableRecord_desc)};
    auto& s = named.sample.As<RichEvolved_MutableRecord>();
    FillOptionalsSet(s);
    SetBoundedText(s.station, "evolved");
    SetText(s.extra_label, "unknown to older readers");
    s.extra_value = -1.0e-7;
    return named;
}

// Optionals set to their zero values (counter 0, no notes) next to an unset one.
NamedSample OptionalsMixed() {
    NamedSample named{"mutable_mixed", CycloneSample(Rich_MutableRecord_desc)};
    auto& s = named.sample.As<Rich_MutableRecord>();
    SetBoundedText(s.station, "beta");
    s.region = 12345;
    s.temperature = 1.0e-310;
    s.counter = NewOptional(uint64_t{0});
    s.notes = NewOptional(dds_sequence_string{});
    s.nested.mode = -3;
    SetBoundedText(s.nested.tag, "t");
    s.choice._d = 7;
    s.choice._u.flag = true;
    s.prims = Rich_Primitives{false, 1, -1, 1, 'm', -2, 2, -3, 3u, -4LL, 4ULL, -1.5f, 2.0e-5};
    const uint8_t blob[3] = {1, 2, 3};
    std::memcpy(s.blob, blob, sizeof blob);
    s.altitude = 1234;
    return named;
}

}  // namespace

std::vector<NamedSample> MutableRecordSamples() {
    return CollectSamples(&OptionalsUnset, &OptionalsSet, &OptionalsMixed);
}

std::vector<NamedSample> EvolvedMutableRecordSamples() { return CollectSamples(&Evolved); }

}  // namespace Quorvel::InteropPeers
