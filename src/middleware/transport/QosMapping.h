#pragma once

// Our QoS policy record onto Fast DDS QoS and back. Only the policies a profile sets are
// written; the rest keep Fast DDS's defaults for that entity. Private to the transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/transport/DiscoveredPublication.h"
#include "middleware/xml/QosPolicies.h"
#include "middleware/xtypes/TypeKind.h"

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/publisher/qos/PublisherQos.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>
#include <fastdds/dds/subscriber/qos/SubscriberQos.hpp>
#include <fastdds/dds/topic/qos/TopicQos.hpp>
#include <fastrtps/qos/WriterQos.h>

#include <string>
#include <vector>

namespace Quorvel::Transport {

// Transports: Fast DDS's defaults, or UDPv4 only (on the allowed interfaces) when asked.
void ApplyParticipantQos(const xml::QosPolicies& policies, eprosima::fastdds::dds::DomainParticipantQos& qos);
void ApplyPublisherQos(const xml::QosPolicies& policies, eprosima::fastdds::dds::PublisherQos& qos);
void ApplySubscriberQos(const xml::QosPolicies& policies, eprosima::fastdds::dds::SubscriberQos& qos);
void ApplyTopicQos(const xml::QosPolicies& policies, eprosima::fastdds::dds::TopicQos& qos);
// The data representation follows the type: XCDR1 for final types, XCDR2 otherwise (what our
// encoder writes), so that peers decode what we announce.
void ApplyWriterQos(const xml::QosPolicies& policies, xtypes::Extensibility extensibility,
                    eprosima::fastdds::dds::DataWriterQos& qos);
// Readers accept both representations.
void ApplyReaderQos(const xml::QosPolicies& policies, eprosima::fastdds::dds::DataReaderQos& qos);

// What a discovered writer announced.
xml::QosPolicies PoliciesOf(const eprosima::fastrtps::WriterQos& qos);
std::vector<DataRepresentation> RepresentationsOf(const eprosima::fastrtps::WriterQos& qos);

}  // namespace Quorvel::Transport
