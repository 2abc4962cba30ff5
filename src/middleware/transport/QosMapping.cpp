#include "middleware/transport/QosMapping.h"

#include "common/Log.h"

#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastrtps/qos/WriterQos.h>

#include <cstdint>
#include <memory>

namespace Quorvel::Transport {
namespace {

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::Duration_t;

Duration_t ToDuration(const xml::QosDuration& duration) {
  if (duration.IsInfinite()) return eprosima::fastrtps::c_TimeInfinite;
  return Duration_t(duration.sec, duration.nanosec);
}

xml::QosDuration FromDuration(const Duration_t& duration) {
  if (duration == eprosima::fastrtps::c_TimeInfinite) return xml::QosDuration::Infinite();
  return {duration.seconds, duration.nanosec};
}

dds::ReliabilityQosPolicyKind ToKind(xml::ReliabilityKind kind) {
  return kind == xml::ReliabilityKind::RELIABLE ? dds::RELIABLE_RELIABILITY_QOS : dds::BEST_EFFORT_RELIABILITY_QOS;
}

dds::DurabilityQosPolicyKind ToKind(xml::DurabilityKind kind) {
  switch (kind) {
    case xml::DurabilityKind::VOLATILE: return dds::VOLATILE_DURABILITY_QOS;
    case xml::DurabilityKind::TRANSIENT_LOCAL: return dds::TRANSIENT_LOCAL_DURABILITY_QOS;
    case xml::DurabilityKind::TRANSIENT: return dds::TRANSIENT_DURABILITY_QOS;
    case xml::DurabilityKind::PERSISTENT: return dds::PERSISTENT_DURABILITY_QOS;
  }
  return dds::VOLATILE_DURABILITY_QOS;
}

dds::LivelinessQosPolicyKind ToKind(xml::LivelinessKind kind) {
  switch (kind) {
    case xml::LivelinessKind::AUTOMATIC: return dds::AUTOMATIC_LIVELINESS_QOS;
    case xml::LivelinessKind::MANUAL_BY_PARTICIPANT: return dds::MANUAL_BY_PARTICIPANT_LIVELINESS_QOS;
    case xml::LivelinessKind::MANUAL_BY_TOPIC: return dds::MANUAL_BY_TOPIC_LIVELINESS_QOS;
  }
  return dds::AUTOMATIC_LIVELINESS_QOS;
}

xml::DurabilityKind FromKind(dds::DurabilityQosPolicyKind kind) {
  switch (kind) {
    case dds::TRANSIENT_LOCAL_DURABILITY_QOS: return xml::DurabilityKind::TRANSIENT_LOCAL;
    case dds::TRANSIENT_DURABILITY_QOS: return xml::DurabilityKind::TRANSIENT;
    case dds::PERSISTENT_DURABILITY_QOS: return xml::DurabilityKind::PERSISTENT;
    default: return xml::DurabilityKind::VOLATILE;
  }
}

xml::LivelinessKind FromKind(dds::LivelinessQosPolicyKind kind) {
  switch (kind) {
    case dds::MANUAL_BY_PARTICIPANT_LIVELINESS_QOS: return xml::LivelinessKind::MANUAL_BY_PARTICIPANT;
    case dds::MANUAL_BY_TOPIC_LIVELINESS_QOS: return xml::LivelinessKind::MANUAL_BY_TOPIC;
    default: return xml::LivelinessKind::AUTOMATIC;
  }
}

// Fast DDS refuses resource limits whose max_samples is below max_instances times
// max_samples_per_instance, which DDS itself allows (and profiles written for other
// implementations use): raise max_samples to that product, or to unlimited past 32 bits.
template <typename Qos>
void MakeLimitsAcceptable(Qos& qos) {
  auto& limits = qos.resource_limits();
  if (limits.max_samples <= 0 || limits.max_instances <= 0 || limits.max_samples_per_instance <= 0) return;
  const std::int64_t product = std::int64_t{limits.max_instances} * limits.max_samples_per_instance;
  if (product <= limits.max_samples) return;
  limits.max_samples = product > INT32_MAX ? dds::LENGTH_UNLIMITED : static_cast<std::int32_t>(product);
  LogDebug("max_samples raised to " + std::to_string(limits.max_samples) + " for Fast DDS's resource limit rule");
}

// The policies that topics, readers and writers share.
template <typename Qos>
void ApplyEndpointPolicies(const xml::QosPolicies& p, Qos& qos) {
  if (p.reliabilityKind) qos.reliability().kind = ToKind(*p.reliabilityKind);
  if (p.reliabilityMaxBlockingTime) qos.reliability().max_blocking_time = ToDuration(*p.reliabilityMaxBlockingTime);
  if (p.durabilityKind) qos.durability().kind = ToKind(*p.durabilityKind);
  if (p.historyKind) {
    qos.history().kind = *p.historyKind == xml::HistoryKind::KEEP_ALL ? dds::KEEP_ALL_HISTORY_QOS
                                                                      : dds::KEEP_LAST_HISTORY_QOS;
  }
  if (p.historyDepth) qos.history().depth = *p.historyDepth;
  if (p.maxSamples) qos.resource_limits().max_samples = *p.maxSamples;
  if (p.maxInstances) qos.resource_limits().max_instances = *p.maxInstances;
  if (p.maxSamplesPerInstance) qos.resource_limits().max_samples_per_instance = *p.maxSamplesPerInstance;
  if (p.deadlinePeriod) qos.deadline().period = ToDuration(*p.deadlinePeriod);
  if (p.latencyBudget) qos.latency_budget().duration = ToDuration(*p.latencyBudget);
  if (p.livelinessKind) qos.liveliness().kind = ToKind(*p.livelinessKind);
  if (p.livelinessLeaseDuration) qos.liveliness().lease_duration = ToDuration(*p.livelinessLeaseDuration);
  if (p.ownershipKind) {
    qos.ownership().kind = *p.ownershipKind == xml::OwnershipKind::EXCLUSIVE ? dds::EXCLUSIVE_OWNERSHIP_QOS
                                                                              : dds::SHARED_OWNERSHIP_QOS;
  }
  if (p.lifespan) qos.lifespan().duration = ToDuration(*p.lifespan);
  if (p.destinationOrderKind) {
    qos.destination_order().kind = *p.destinationOrderKind == xml::DestinationOrderKind::BY_SOURCE_TIMESTAMP
                                       ? dds::BY_SOURCE_TIMESTAMP_DESTINATIONORDER_QOS
                                       : dds::BY_RECEPTION_TIMESTAMP_DESTINATIONORDER_QOS;
  }
  MakeLimitsAcceptable(qos);
}

template <typename Qos>
void ApplyPartition(const xml::QosPolicies& p, Qos& qos) {
  if (!p.partitions) return;
  qos.partition().clear();
  for (const std::string& name : *p.partitions) qos.partition().push_back(name.c_str());
}

// Opaque payloads of unbounded size: pools must grow, and data sharing needs bounded types.
template <typename Qos>
void ApplyPayloadMemory(Qos& qos) {
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.data_sharing().off();
}

}  // namespace

void ApplyParticipantQos(const xml::QosPolicies& p, dds::DomainParticipantQos& qos) {
  if (p.entityName) qos.name(*p.entityName);
  const bool udpOnly = p.udpOnlyTransport.value_or(false) || (p.allowedInterfaces && !p.allowedInterfaces->empty());
  if (!udpOnly) return;
  auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
  if (p.allowedInterfaces) udp->interfaceWhiteList = *p.allowedInterfaces;
  qos.transport().use_builtin_transports = false;
  qos.transport().user_transports.clear();
  qos.transport().user_transports.push_back(udp);
}

void ApplyPublisherQos(const xml::QosPolicies& p, dds::PublisherQos& qos) {
  ApplyPartition(p, qos);
  // Writers wait for an explicit enable, like everything else before Run.
  qos.entity_factory().autoenable_created_entities = false;
}

void ApplySubscriberQos(const xml::QosPolicies& p, dds::SubscriberQos& qos) {
  ApplyPartition(p, qos);
  qos.entity_factory().autoenable_created_entities = false;
}

void ApplyTopicQos(const xml::QosPolicies& p, dds::TopicQos& qos) { ApplyEndpointPolicies(p, qos); }

void ApplyWriterQos(const xml::QosPolicies& p, xtypes::Extensibility extensibility, dds::DataWriterQos& qos) {
  ApplyEndpointPolicies(p, qos);
  if (p.ownershipStrength) qos.ownership_strength().value = static_cast<uint32_t>(*p.ownershipStrength);
  ApplyPayloadMemory(qos);
  qos.representation().m_value = {extensibility == xtypes::Extensibility::FINAL ? dds::XCDR_DATA_REPRESENTATION
                                                                                : dds::XCDR2_DATA_REPRESENTATION};
}

void ApplyReaderQos(const xml::QosPolicies& p, dds::DataReaderQos& qos) {
  ApplyEndpointPolicies(p, qos);
  if (p.timeBasedFilterMinimumSeparation) {
    qos.time_based_filter().minimum_separation = ToDuration(*p.timeBasedFilterMinimumSeparation);
  }
  ApplyPayloadMemory(qos);
  qos.type_consistency().representation.m_value = {dds::XCDR_DATA_REPRESENTATION, dds::XCDR2_DATA_REPRESENTATION};
}

xml::QosPolicies PoliciesOf(const eprosima::fastrtps::WriterQos& qos) {
  xml::QosPolicies p;
  p.reliabilityKind = qos.m_reliability.kind == dds::RELIABLE_RELIABILITY_QOS ? xml::ReliabilityKind::RELIABLE
                                                                                : xml::ReliabilityKind::BEST_EFFORT;
  p.reliabilityMaxBlockingTime = FromDuration(qos.m_reliability.max_blocking_time);
  p.durabilityKind = FromKind(qos.m_durability.kind);
  p.deadlinePeriod = FromDuration(qos.m_deadline.period);
  p.latencyBudget = FromDuration(qos.m_latencyBudget.duration);
  p.livelinessKind = FromKind(qos.m_liveliness.kind);
  p.livelinessLeaseDuration = FromDuration(qos.m_liveliness.lease_duration);
  p.ownershipKind = qos.m_ownership.kind == dds::EXCLUSIVE_OWNERSHIP_QOS ? xml::OwnershipKind::EXCLUSIVE
                                                                          : xml::OwnershipKind::SHARED;
  p.ownershipStrength = static_cast<std::int32_t>(qos.m_ownershipStrength.value);
  p.partitions = qos.m_partition.names();
  p.lifespan = FromDuration(qos.m_lifespan.duration);
  p.destinationOrderKind = qos.m_destinationOrder.kind == dds::BY_SOURCE_TIMESTAMP_DESTINATIONORDER_QOS
                               ? xml::DestinationOrderKind::BY_SOURCE_TIMESTAMP
                               : xml::DestinationOrderKind::BY_RECEPTION_TIMESTAMP;
  return p;
}

std::vector<DataRepresentation> RepresentationsOf(const eprosima::fastrtps::WriterQos& qos) {
  std::vector<DataRepresentation> result;
  for (const auto id : qos.representation.m_value) result.push_back(static_cast<DataRepresentation>(id));
  // DDS-XTypes 1.3, 7.6.3.1.1: an absent policy means XCDR1.
  if (result.empty()) result.push_back(DataRepresentation::XCDR1);
  return result;
}

}  // namespace Quorvel::Transport
