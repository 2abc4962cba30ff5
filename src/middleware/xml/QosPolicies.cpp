#include "middleware/xml/QosPolicies.h"

#include <algorithm>

namespace Quorvel::xml {

namespace {

// One place that knows every value of the record, so that merging and emptiness cannot miss
// a policy added later.
template <typename Record, typename Visit>
void ForEachValue(Record& a, const QosPolicies& b, Visit&& visit) {
    visit(a.reliabilityKind, b.reliabilityKind);
    visit(a.reliabilityMaxBlockingTime, b.reliabilityMaxBlockingTime);
    visit(a.durabilityKind, b.durabilityKind);
    visit(a.historyKind, b.historyKind);
    visit(a.historyDepth, b.historyDepth);
    visit(a.maxSamples, b.maxSamples);
    visit(a.maxInstances, b.maxInstances);
    visit(a.maxSamplesPerInstance, b.maxSamplesPerInstance);
    visit(a.deadlinePeriod, b.deadlinePeriod);
    visit(a.latencyBudget, b.latencyBudget);
    visit(a.livelinessKind, b.livelinessKind);
    visit(a.livelinessLeaseDuration, b.livelinessLeaseDuration);
    visit(a.ownershipKind, b.ownershipKind);
    visit(a.ownershipStrength, b.ownershipStrength);
    visit(a.partitions, b.partitions);
    visit(a.lifespan, b.lifespan);
    visit(a.timeBasedFilterMinimumSeparation, b.timeBasedFilterMinimumSeparation);
    visit(a.destinationOrderKind, b.destinationOrderKind);
    visit(a.entityName, b.entityName);
    visit(a.udpOnlyTransport, b.udpOnlyTransport);
    visit(a.allowedInterfaces, b.allowedInterfaces);
}

}  // namespace

void QosPolicies::OverrideWith(const QosPolicies& derived) {
    ForEachValue(*this, derived, [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    });
    for (const std::string& name : derived.ignoredPolicies) {
        if (std::find(ignoredPolicies.begin(), ignoredPolicies.end(), name) == ignoredPolicies.end())
            ignoredPolicies.push_back(name);
    }
}

bool QosPolicies::Empty() const {
    bool empty = true;
    ForEachValue(*this, *this, [&](const auto& mine, const auto&) { empty = empty && !mine; });
    return empty;
}

}  // namespace Quorvel::xml
