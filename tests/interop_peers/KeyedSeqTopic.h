#pragma once

#include "CycloneEntity.h"

#include <cstdint>
#include <string>

namespace Quorvel::InteropPeers {

// The participant and KeyedSeq topic of the KeyedSeq peers, and their endpoints' QoS: reliable,
// keep all, transient local (what a writer wrote before a reader matched still arrives).
struct KeyedSeqTopic {
    KeyedSeqTopic(std::uint32_t domainId, const std::string& topicName);

    dds_entity_t CreateReader() const;
    dds_entity_t CreateWriter() const;

    CycloneEntity participant;
    CycloneEntity topic;
};

}  // namespace Quorvel::InteropPeers
