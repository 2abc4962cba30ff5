#include "RichSamples.h"
#include "SampleFill.h"
#include "rich.h"

#include <cstdint>
#include <cstring>

namespace Quorvel::InteropPeers {
namespace {

NamedSample OptionalsUnset() {
    NamedSample named{"appendable_unset", CycloneSample(Rich_AppendableRecord_desc)};
    auto& s = named.sample.As<Rich_AppendableRecord>();
    s.parent.record_id = 1;
    SetText(s.parent.origin, "");
    s.grade = Rich_LOW;
    s.choice._d = Rich_RED;
    s.choice._u.red_count = -1;
    return named;
}

// Every optional member present, the empty string among them: present-but-empty must not be
// confused with absent. Shared by both versions of the type.
template <typename Record>
void FillOptionalsSet(Record& s) {
    s.parent.record_id = Limits<int64_t>::min();
    s.parent.shard = 255;
    SetText(s.parent.origin, "sensor/7");
    s.grade = Rich_HIGH;
    s.config.mode = Limits<int32_t>::max();
    s.config.gain = NewOptional(1.0e-3);
    SetBoundedText(s.config.tag, "gain-set");
    SetSequence(s.config.levels, {1, -1, 32767});
    s.maybe_count = NewOptional(int32_t{-42});
    SetText(s.maybe_text, "");
    s.maybe_point = NewOptional(Rich_Geo_Point{-0.0, 6.02214076e23});
    auto* points = ResizeSequence(s.points, 3);
    points[0] = Rich_Geo_Point{1.0, 2.0};
    points[1] = Rich_Geo_Point{-1.0, -2.0};
    points[2] = Rich_Geo_Point{0.125, 1024.0};
    s.choice._d = Rich_GREEN;
    s.choice._u.green_level = 0.1;
    s.ratio = Limits<float>::denorm_min();
}

NamedSample OptionalsSet() {
    NamedSample named{"appendable_set", CycloneSample(Rich_AppendableRecord_desc)};
    FillOptionalsSet(named.sample.As<Rich_AppendableRecord>());
    return named;
}

// The newer version of the type, with its two extra members at the end.
NamedSample Evolved() {
    NamedSample named{"evolved_appendable", CycloneSample(RichEvolved_AppendableRecord_desc)};
    auto& s = named.sample.As<RichEvolved_AppendableRecord>();
    FillOptionalsSet(s);
    s.parent.record_id = 77;
    s.extra_count = Limits<uint64_t>::max() - 1;
    SetText(s.extra_note, "only newer readers see this");
    return named;
}

NamedSample OptionalsMixed() {
    NamedSample named{"appendable_mixed", CycloneSample(Rich_AppendableRecord_desc)};
    auto& s = named.sample.As<Rich_AppendableRecord>();
    s.parent.record_id = Limits<int64_t>::max();
    s.parent.shard = 1;
    SetText(s.parent.origin, "mixed");
    s.grade = Rich_TOP;
    s.config.mode = -1;
    s.config.gain = NewOptional(-2.5);
    SetBoundedText(s.config.tag, "sixteen-chars-xx");
    SetText(s.maybe_text, "present");
    auto* points = ResizeSequence(s.points, 1);
    points[0] = Rich_Geo_Point{9.75, -9.75};
    s.choice._d = Rich_BLUE;
    SetText(s.choice._u.other_text, "x");
    s.ratio = -Limits<float>::max();
    return named;
}

}  // namespace

std::vector<NamedSample> AppendableRecordSamples() {
    return CollectSamples(&OptionalsUnset, &OptionalsSet, &OptionalsMixed);
}

std::vector<NamedSample> EvolvedAppendableRecordSamples() { return CollectSamples(&Evolved); }

}  // namespace Quorvel::InteropPeers
