#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::InteropPeers {

// Cyclone's writer of KeyedSeq samples with large baggage, for recordings of DATA_FRAG: once a
// reader matched on `topic` of `domainId` (reliable, keep all, transient local, network from
// CYCLONEDDS_URI), writes one sample per entry of `baggageSizes` (seq 1, 2, ...; keyval seq % 3;
// baggage byte i = (seq * 31 + i * 7) mod 256) and logs each as a JSON line
// {"topic", "type", "value": {"seq", "keyval", "baggage_length", "baggage_fnv1a"}}, the FNV-1a
// 64-bit hash of the baggage bytes as 16 hexadecimal digits; `intervalMs` apart. Returns 0 when
// all were acknowledged.
int PublishKeyedSeq(std::uint32_t domainId, const std::string& topic,
                    const std::vector<std::uint32_t>& baggageSizes, const std::string& log,
                    int intervalMs = 30);

// The FNV-1a 64-bit hash the log uses, as 16 lower-case hexadecimal digits.
std::string Fnv1a64(const std::uint8_t* bytes, std::size_t length);

}  // namespace Quorvel::InteropPeers
