#include "FastPeer.h"

#include "FastSampleType.h"

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastrtps/types/DynamicPubSubType.h>

#include <stdexcept>

namespace Quorvel::InteropPeers {

using namespace eprosima::fastdds::dds;

FastPeer::FastPeer(unsigned domainId, const std::string& topicName, std::uint32_t textBound) {
    DomainParticipantQos qos = PARTICIPANT_QOS_DEFAULT;
    qos.name("veltrane_fastdds_peer");
    qos.transport().use_builtin_transports = false;
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList.push_back("127.0.0.1");
    qos.transport().user_transports.push_back(udp);
    participant_ = DomainParticipantFactory::get_instance()->create_participant(domainId, qos);
    if (participant_ == nullptr) throw std::runtime_error("create_participant failed");
    type_ = TypeSupport(eprosima::fastrtps::types::DynamicPubSubType(FastSampleType(textBound)));
    if (type_.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
        throw std::runtime_error("register_type failed");
    }
    topic_ = participant_->create_topic(topicName, type_.get_type_name(), TOPIC_QOS_DEFAULT);
    if (topic_ == nullptr) throw std::runtime_error("create_topic " + topicName + " failed");
}

FastPeer::~FastPeer() {
    if (participant_ != nullptr) {
        participant_->delete_contained_entities();
        DomainParticipantFactory::get_instance()->delete_participant(participant_);
    }
}

}  // namespace Quorvel::InteropPeers
