#pragma once

// QoS policy values as DDS XML profiles state them, kept as a plain record so that the layer
// creating real entities can map them onto its DDS implementation. Every value is optional:
// an unset value means "whatever the implementation defaults to", and inheritance
// (base_name) lays the values of a derived profile over those of its bases one by one.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel::xml {

// The infinite duration of DDS XML profiles (OMG DDS 1.4, 2.3.2: Duration_t).
constexpr std::int32_t DURATION_INFINITE_SEC = 0x7fffffff;
constexpr std::uint32_t DURATION_INFINITE_NSEC = 0x7fffffff;
// A count without limit (resource limits, history depth).
constexpr std::int32_t LENGTH_UNLIMITED = -1;

struct QosDuration {
    std::int32_t sec = 0;
    std::uint32_t nanosec = 0;

    static QosDuration Infinite() { return {DURATION_INFINITE_SEC, DURATION_INFINITE_NSEC}; }
    bool IsInfinite() const { return sec == DURATION_INFINITE_SEC && nanosec == DURATION_INFINITE_NSEC; }
    bool operator==(const QosDuration&) const = default;
};

enum class ReliabilityKind { BEST_EFFORT, RELIABLE };
enum class DurabilityKind { VOLATILE, TRANSIENT_LOCAL, TRANSIENT, PERSISTENT };
enum class HistoryKind { KEEP_LAST, KEEP_ALL };
enum class LivelinessKind { AUTOMATIC, MANUAL_BY_PARTICIPANT, MANUAL_BY_TOPIC };
enum class OwnershipKind { SHARED, EXCLUSIVE };
enum class DestinationOrderKind { BY_RECEPTION_TIMESTAMP, BY_SOURCE_TIMESTAMP };

struct QosPolicies {
    std::optional<ReliabilityKind> reliabilityKind;
    std::optional<QosDuration> reliabilityMaxBlockingTime;
    std::optional<DurabilityKind> durabilityKind;
    std::optional<HistoryKind> historyKind;
    std::optional<std::int32_t> historyDepth;
    std::optional<std::int32_t> maxSamples;
    std::optional<std::int32_t> maxInstances;
    std::optional<std::int32_t> maxSamplesPerInstance;
    std::optional<QosDuration> deadlinePeriod;
    std::optional<QosDuration> latencyBudget;
    std::optional<LivelinessKind> livelinessKind;
    std::optional<QosDuration> livelinessLeaseDuration;
    std::optional<OwnershipKind> ownershipKind;
    std::optional<std::int32_t> ownershipStrength;
    std::optional<std::vector<std::string>> partitions;
    std::optional<QosDuration> lifespan;
    std::optional<QosDuration> timeBasedFilterMinimumSeparation;
    std::optional<DestinationOrderKind> destinationOrderKind;
    std::optional<std::string> entityName;
    // Participant transport: user traffic over UDPv4 only (no shared memory), optionally on
    // the listed interfaces only.
    std::optional<bool> udpOnlyTransport;
    std::optional<std::vector<std::string>> allowedInterfaces;

    // Policies the profile set that this record does not represent (element names, once each).
    std::vector<std::string> ignoredPolicies;

    // Every value that `derived` sets replaces this record's value.
    void OverrideWith(const QosPolicies& derived);
    // True when no value is set.
    bool Empty() const;

    bool operator==(const QosPolicies&) const = default;
};

}  // namespace Quorvel::xml
