#pragma once

#include <cstdint>
#include <string>

namespace Quorvel::InteropPeers {

// Cyclone's reader of KeyedSeq samples on `topic` of `domainId` (reliable, keep all, transient
// local, the
// network configured by CYCLONEDDS_URI): prints one line per sample received,
// "<seq> <keyval> <baggage length> <sum of baggage bytes>", until `count` valid samples
// arrived or `seconds` passed. Returns 0 when all arrived.
int SubscribeKeyedSeq(std::uint32_t domainId, const std::string& topic, std::uint64_t count, int seconds);

}  // namespace Quorvel::InteropPeers
