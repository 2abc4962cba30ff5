#include "middleware/xml/QosPolicyReader.h"

#include "common/Log.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace Quorvel::xml {

namespace {

// Elements of a QoS element that are not policies.
constexpr std::string_view kNotPolicies[] = {"base_name"};

class PolicyContext {
public:
    PolicyContext(const pugi::xml_node& policy, const std::string& origin)
        : policy_(policy), origin_(origin) {}

    pugi::xml_node Child(const char* name) const { return policy_.child(name); }

    [[noreturn]] void Fail(const std::string& path, const std::string& text, const char* what) const {
        ThrowLogged("QoS value '" + text + "' of <" + policy_.name() + ">" + path + " is not " + what +
                    " (in " + origin_ + ")");
    }

    std::string Text(const pugi::xml_node& node) const {
        std::string text = node.text().get();
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) return {};
        return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    }

    // A signed 32-bit count; LENGTH_UNLIMITED stands for -1.
    std::optional<std::int32_t> Count(const char* name) const {
        const pugi::xml_node node = Child(name);
        if (!node) return std::nullopt;
        return Integer(node, "<" + std::string(name) + ">");
    }

    std::int32_t Integer(const pugi::xml_node& node, const std::string& path) const {
        const std::string text = Text(node);
        if (text == "LENGTH_UNLIMITED" || text == "DDS_LENGTH_UNLIMITED") return LENGTH_UNLIMITED;
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            Fail(path, text, "a 32-bit integer");
        return value;
    }

    // <name><sec>..</sec><nanosec>..</nanosec></name>; an absent part counts as zero.
    std::optional<QosDuration> Duration(const char* name) const {
        const pugi::xml_node node = Child(name);
        if (!node) return std::nullopt;
        QosDuration duration;
        if (const pugi::xml_node sec = node.child("sec")) {
            const std::string text = Text(sec);
            // DURATION_AUTO (the implementation chooses) is {DURATION_INFINITE_SEC, 0}.
            if (text == "DURATION_INFINITE_SEC" || text == "DDS_DURATION_INFINITE_SEC" || text == "DURATION_AUTO_SEC")
                duration.sec = DURATION_INFINITE_SEC;
            else if (text == "DURATION_ZERO_SEC")
                duration.sec = 0;
            else
                duration.sec = Integer(sec, "<" + std::string(name) + "><sec>");
        }
        if (const pugi::xml_node nanosec = node.child("nanosec")) {
            const std::string text = Text(nanosec);
            if (text == "DURATION_INFINITE_NSEC" || text == "DDS_DURATION_INFINITE_NSEC") {
                duration.nanosec = DURATION_INFINITE_NSEC;
            } else if (text != "DURATION_ZERO_NSEC" && text != "DURATION_AUTO_NSEC") {
                const std::int32_t value = Integer(nanosec, "<" + std::string(name) + "><nanosec>");
                if (value < 0 || value > 999999999) Fail("<" + std::string(name) + "><nanosec>", text,
                                                         "in [0, 999999999]");
                duration.nanosec = static_cast<std::uint32_t>(value);
            }
        }
        return duration;
    }

    // A kind spelled like RELIABLE_RELIABILITY_QOS (a "DDS_" prefix is tolerated).
    template <typename Kind, std::size_t N>
    std::optional<Kind> KindOf(const std::pair<std::string_view, Kind> (&table)[N]) const {
        const pugi::xml_node node = Child("kind");
        if (!node) return std::nullopt;
        std::string text = Text(node);
        if (text.rfind("DDS_", 0) == 0) text.erase(0, 4);
        for (const auto& [name, kind] : table)
            if (name == text) return kind;
        Fail("<kind>", Text(node), "a known kind");
    }

    // <name><element>a</element><element>b</element></name>
    std::vector<std::string> Elements(const char* name) const {
        std::vector<std::string> values;
        for (const pugi::xml_node& element : Child(name).children("element")) values.push_back(Text(element));
        return values;
    }

private:
    const pugi::xml_node& policy_;
    const std::string& origin_;
};

constexpr std::pair<std::string_view, ReliabilityKind> kReliability[] = {
    {"BEST_EFFORT_RELIABILITY_QOS", ReliabilityKind::BEST_EFFORT},
    {"RELIABLE_RELIABILITY_QOS", ReliabilityKind::RELIABLE}};
constexpr std::pair<std::string_view, DurabilityKind> kDurability[] = {
    {"VOLATILE_DURABILITY_QOS", DurabilityKind::VOLATILE},
    {"TRANSIENT_LOCAL_DURABILITY_QOS", DurabilityKind::TRANSIENT_LOCAL},
    {"TRANSIENT_DURABILITY_QOS", DurabilityKind::TRANSIENT},
    {"PERSISTENT_DURABILITY_QOS", DurabilityKind::PERSISTENT}};
constexpr std::pair<std::string_view, HistoryKind> kHistory[] = {
    {"KEEP_LAST_HISTORY_QOS", HistoryKind::KEEP_LAST}, {"KEEP_ALL_HISTORY_QOS", HistoryKind::KEEP_ALL}};
constexpr std::pair<std::string_view, LivelinessKind> kLiveliness[] = {
    {"AUTOMATIC_LIVELINESS_QOS", LivelinessKind::AUTOMATIC},
    {"MANUAL_BY_PARTICIPANT_LIVELINESS_QOS", LivelinessKind::MANUAL_BY_PARTICIPANT},
    {"MANUAL_BY_TOPIC_LIVELINESS_QOS", LivelinessKind::MANUAL_BY_TOPIC}};
constexpr std::pair<std::string_view, OwnershipKind> kOwnership[] = {
    {"SHARED_OWNERSHIP_QOS", OwnershipKind::SHARED}, {"EXCLUSIVE_OWNERSHIP_QOS", OwnershipKind::EXCLUSIVE}};
constexpr std::pair<std::string_view, DestinationOrderKind> kDestinationOrder[] = {
    {"BY_RECEPTION_TIMESTAMP_DESTINATIONORDER_QOS", DestinationOrderKind::BY_RECEPTION_TIMESTAMP},
    {"BY_SOURCE_TIMESTAMP_DESTINATIONORDER_QOS", DestinationOrderKind::BY_SOURCE_TIMESTAMP}};

// Assigns only what the element states, so a partial policy keeps the inherited remainder.
template <typename T>
void SetIf(std::optional<T>& field, std::optional<T> value) {
    if (value) field = std::move(value);
}

// The builtin-transport mask ("UDPv4", "UDPv4|SHMEM", "MASK_ALL", ...): UDP only when UDPv4
// is the one transport named.
void ReadTransportBuiltin(const PolicyContext& policy, QosPolicies& qos) {
    const pugi::xml_node mask = policy.Child("mask");
    if (!mask) return;
    std::string text = policy.Text(mask);
    std::string::size_type pos;
    while ((pos = text.find("DDS_TRANSPORTBUILTIN_")) != std::string::npos) text.erase(pos, 21);
    qos.udpOnlyTransport = text == "UDPv4";
}

// The interface list of the builtin UDPv4 transport, as a property.
void ReadProperty(const PolicyContext& policy, QosPolicies& qos) {
    for (const pugi::xml_node& element : policy.Child("value").children("element")) {
        if (policy.Text(element.child("name")) != "dds.transport.UDPv4.builtin.parent.allow_interfaces")
            continue;
        std::vector<std::string> interfaces;
        const std::string list = policy.Text(element.child("value"));
        std::string::size_type start = 0;
        while (start <= list.size()) {
            const auto comma = std::min(list.find(',', start), list.size());
            if (comma > start) interfaces.push_back(list.substr(start, comma - start));
            start = comma + 1;
        }
        qos.allowedInterfaces = std::move(interfaces);
    }
}

using PolicyReader = void (*)(const PolicyContext&, QosPolicies&);

constexpr std::pair<std::string_view, PolicyReader> kPolicies[] = {
    {"reliability", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.reliabilityKind, p.KindOf(kReliability));
         SetIf(q.reliabilityMaxBlockingTime, p.Duration("max_blocking_time"));
     }},
    {"durability", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.durabilityKind, p.KindOf(kDurability)); }},
    {"history", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.historyKind, p.KindOf(kHistory));
         SetIf(q.historyDepth, p.Count("depth"));
     }},
    {"resource_limits", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.maxSamples, p.Count("max_samples"));
         SetIf(q.maxInstances, p.Count("max_instances"));
         SetIf(q.maxSamplesPerInstance, p.Count("max_samples_per_instance"));
     }},
    {"deadline", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.deadlinePeriod, p.Duration("period")); }},
    {"latency_budget", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.latencyBudget, p.Duration("duration")); }},
    {"liveliness", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.livelinessKind, p.KindOf(kLiveliness));
         SetIf(q.livelinessLeaseDuration, p.Duration("lease_duration"));
     }},
    {"ownership", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.ownershipKind, p.KindOf(kOwnership)); }},
    {"ownership_strength", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.ownershipStrength, p.Count("value")); }},
    {"partition", [](const PolicyContext& p, QosPolicies& q) { q.partitions = p.Elements("name"); }},
    {"lifespan", [](const PolicyContext& p, QosPolicies& q) { SetIf(q.lifespan, p.Duration("duration")); }},
    {"time_based_filter", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.timeBasedFilterMinimumSeparation, p.Duration("minimum_separation"));
     }},
    {"destination_order", [](const PolicyContext& p, QosPolicies& q) {
         SetIf(q.destinationOrderKind, p.KindOf(kDestinationOrder));
     }},
    {"entity_name", [](const PolicyContext& p, QosPolicies& q) {
         if (p.Child("name")) q.entityName = p.Text(p.Child("name"));
     }},
    {"participant_name", [](const PolicyContext& p, QosPolicies& q) {
         if (p.Child("name")) q.entityName = p.Text(p.Child("name"));
     }},
    {"transport_builtin", ReadTransportBuiltin},
    {"property", ReadProperty},
};

}  // namespace

QosPolicies ReadQosPolicies(const pugi::xml_node& qosElement, const std::string& origin) {
    QosPolicies qos;
    for (const pugi::xml_node& policy : qosElement.children()) {
        if (policy.type() != pugi::node_element) continue;
        const std::string_view name = policy.name();
        if (std::find(std::begin(kNotPolicies), std::end(kNotPolicies), name) != std::end(kNotPolicies)) continue;
        const auto* entry = std::find_if(std::begin(kPolicies), std::end(kPolicies),
                                         [&](const auto& candidate) { return candidate.first == name; });
        if (entry == std::end(kPolicies)) {
            VELTRANE_LOG(TRACE, "QoS policy <" + std::string(name) + "> in " + origin + " is not represented");
            if (std::find(qos.ignoredPolicies.begin(), qos.ignoredPolicies.end(), name) == qos.ignoredPolicies.end())
                qos.ignoredPolicies.emplace_back(name);
            continue;
        }
        entry->second(PolicyContext(policy, origin), qos);
    }
    return qos;
}

}  // namespace Quorvel::xml
