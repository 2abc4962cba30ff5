#include "middleware/xml/BuiltinQosProfiles.h"

#include <algorithm>
#include <string_view>

namespace Quorvel::xml {

namespace {

enum class Preset {
    DEFAULTS,          // the DDS defaults: nothing set
    BEST_EFFORT,       // best effort, last sample per instance
    STRICT_RELIABLE,   // reliable, every sample kept
    KEEP_LAST_RELIABLE,
    KEEP_LAST_RELIABLE_TRANSIENT_LOCAL,
    KEEP_LAST_RELIABLE_TRANSIENT,
    KEEP_LAST_RELIABLE_PERSISTENT,
    MINIMAL_MEMORY,
};

struct BuiltinProfile {
    std::string_view name;
    Preset preset;
};

constexpr BuiltinProfile kProfiles[] = {
    {"Baseline", Preset::DEFAULTS},
    {"Baseline.5.0.0", Preset::DEFAULTS},
    {"Baseline.5.1.0", Preset::DEFAULTS},
    {"Baseline.5.2.0", Preset::DEFAULTS},
    {"Baseline.5.3.0", Preset::DEFAULTS},
    {"Baseline.6.0.0", Preset::DEFAULTS},
    {"Baseline.6.1.0", Preset::DEFAULTS},
    {"Generic.Common", Preset::DEFAULTS},
    {"Generic.Monitoring.Common", Preset::DEFAULTS},
    {"Generic.ConnextMicroCompatibility", Preset::DEFAULTS},
    {"Generic.ConnextMicroCompatibility.2.4.3", Preset::DEFAULTS},
    {"Generic.OtherDDSVendorCompatibility", Preset::DEFAULTS},
    {"Generic.510TransportCompatibility", Preset::DEFAULTS},
    {"Generic.Security", Preset::DEFAULTS},
    {"Generic.StrictReliable", Preset::STRICT_RELIABLE},
    {"Generic.KeepLastReliable", Preset::KEEP_LAST_RELIABLE},
    {"Generic.BestEffort", Preset::BEST_EFFORT},
    {"Generic.StrictReliable.HighThroughput", Preset::STRICT_RELIABLE},
    {"Generic.StrictReliable.LowLatency", Preset::STRICT_RELIABLE},
    {"Generic.Participant.LargeData", Preset::DEFAULTS},
    {"Generic.Participant.LargeData.Monitoring", Preset::DEFAULTS},
    {"Generic.StrictReliable.LargeData", Preset::STRICT_RELIABLE},
    {"Generic.KeepLastReliable.LargeData", Preset::KEEP_LAST_RELIABLE},
    {"Generic.StrictReliable.LargeData.FastFlow", Preset::STRICT_RELIABLE},
    {"Generic.StrictReliable.LargeData.MediumFlow", Preset::STRICT_RELIABLE},
    {"Generic.StrictReliable.LargeData.SlowFlow", Preset::STRICT_RELIABLE},
    {"Generic.KeepLastReliable.LargeData.FastFlow", Preset::KEEP_LAST_RELIABLE},
    {"Generic.KeepLastReliable.LargeData.MediumFlow", Preset::KEEP_LAST_RELIABLE},
    {"Generic.KeepLastReliable.LargeData.SlowFlow", Preset::KEEP_LAST_RELIABLE},
    {"Generic.KeepLastReliable.TransientLocal", Preset::KEEP_LAST_RELIABLE_TRANSIENT_LOCAL},
    {"Generic.KeepLastReliable.Transient", Preset::KEEP_LAST_RELIABLE_TRANSIENT},
    {"Generic.KeepLastReliable.Persistent", Preset::KEEP_LAST_RELIABLE_PERSISTENT},
    {"Generic.AutoTuning", Preset::DEFAULTS},
    {"Generic.MinimalMemoryFootprint", Preset::MINIMAL_MEMORY},
    {"Pattern.PeriodicData", Preset::BEST_EFFORT},
    {"Pattern.Streaming", Preset::BEST_EFFORT},
    {"Pattern.ReliableStreaming", Preset::STRICT_RELIABLE},
    {"Pattern.Event", Preset::STRICT_RELIABLE},
    {"Pattern.AlarmEvent", Preset::STRICT_RELIABLE},
    {"Pattern.Status", Preset::KEEP_LAST_RELIABLE},
    {"Pattern.AlarmStatus", Preset::KEEP_LAST_RELIABLE},
    {"Pattern.LastValueCache", Preset::KEEP_LAST_RELIABLE_TRANSIENT_LOCAL},
};

QosPolicies KeepLastReliable(DurabilityKind durability) {
    QosPolicies qos;
    qos.reliabilityKind = ReliabilityKind::RELIABLE;
    qos.historyKind = HistoryKind::KEEP_LAST;
    qos.historyDepth = 1;
    qos.durabilityKind = durability;
    return qos;
}

QosPolicies PresetPolicies(Preset preset) {
    QosPolicies qos;
    switch (preset) {
    case Preset::DEFAULTS:
        break;
    case Preset::BEST_EFFORT:
        qos.reliabilityKind = ReliabilityKind::BEST_EFFORT;
        qos.historyKind = HistoryKind::KEEP_LAST;
        qos.historyDepth = 1;
        qos.durabilityKind = DurabilityKind::VOLATILE;
        break;
    case Preset::STRICT_RELIABLE:
        // Keeping every sample only holds when nothing caps the queue.
        qos.reliabilityKind = ReliabilityKind::RELIABLE;
        qos.historyKind = HistoryKind::KEEP_ALL;
        qos.durabilityKind = DurabilityKind::VOLATILE;
        qos.maxSamples = LENGTH_UNLIMITED;
        qos.maxInstances = LENGTH_UNLIMITED;
        qos.maxSamplesPerInstance = LENGTH_UNLIMITED;
        break;
    case Preset::KEEP_LAST_RELIABLE:
        qos = KeepLastReliable(DurabilityKind::VOLATILE);
        break;
    case Preset::KEEP_LAST_RELIABLE_TRANSIENT_LOCAL:
        qos = KeepLastReliable(DurabilityKind::TRANSIENT_LOCAL);
        break;
    case Preset::KEEP_LAST_RELIABLE_TRANSIENT:
        qos = KeepLastReliable(DurabilityKind::TRANSIENT);
        break;
    case Preset::KEEP_LAST_RELIABLE_PERSISTENT:
        qos = KeepLastReliable(DurabilityKind::PERSISTENT);
        break;
    case Preset::MINIMAL_MEMORY:
        qos.historyKind = HistoryKind::KEEP_LAST;
        qos.historyDepth = 1;
        qos.maxSamples = 1;
        qos.maxInstances = 1;
        qos.maxSamplesPerInstance = 1;
        break;
    }
    return qos;
}

}  // namespace

const std::vector<std::string>& BuiltinQosProfileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const BuiltinProfile& profile : kProfiles)
            all.push_back(std::string(kBuiltinQosLibrary) + "::" + std::string(profile.name));
        return all;
    }();
    return names;
}

std::optional<QosPolicies> BuiltinQosPreset(const std::string& qualifiedName) {
    const std::string prefix = std::string(kBuiltinQosLibrary) + "::";
    if (qualifiedName.rfind(prefix, 0) != 0) return std::nullopt;
    const std::string_view profile = std::string_view(qualifiedName).substr(prefix.size());
    const auto* found = std::find_if(std::begin(kProfiles), std::end(kProfiles),
                                     [&](const BuiltinProfile& candidate) { return candidate.name == profile; });
    if (found == std::end(kProfiles)) return std::nullopt;
    return PresetPolicies(found->preset);
}

}  // namespace Quorvel::xml
