#pragma once

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

#include <cstdint>
#include <memory>
#include <string>

namespace Quorvel::InteropPeers {

// A Fast DDS participant that moves everything over UDPv4 on 127.0.0.1 (no shared memory, so
// a capture on the loopback sees discovery and user data), with the E2E::FastSample topic
// `topicName` created. Deletes its entities and itself when it goes out of scope.
class FastPeer {
public:
    // `textBound`: the text bound of the topic's type (FastSampleType).
    FastPeer(unsigned domainId, const std::string& topicName, std::uint32_t textBound = 16384);
    ~FastPeer();
    FastPeer(const FastPeer&) = delete;
    FastPeer& operator=(const FastPeer&) = delete;

    eprosima::fastdds::dds::DomainParticipant& Participant() const { return *participant_; }
    eprosima::fastdds::dds::Topic* Topic() const { return topic_; }
    const eprosima::fastdds::dds::TypeSupport& Type() const { return type_; }

private:
    eprosima::fastdds::dds::DomainParticipant* participant_ = nullptr;
    eprosima::fastdds::dds::TypeSupport type_;
    eprosima::fastdds::dds::Topic* topic_ = nullptr;
};

}  // namespace Quorvel::InteropPeers
