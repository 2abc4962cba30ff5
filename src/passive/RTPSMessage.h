#pragma once

#include "common/OnceGate.h"
#include "passive/IPHeader.h"
#include "passive/PacketHeader.h"
#include "passive/UDPHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Quorvel {
struct SamplePassiveMetadata;
}  // namespace Quorvel

namespace Quorvel::passive {

// One UDP datagram that starts with the RTPS magic, as the capture stage hands it on. The
// payload is copied once out of the capture buffer; every later record shares it and addresses
// sub-messages by offset. Aligned to a cache line so that the count of its shared pointer
// (taken by the router for every sample record) is not on the line of the fields the pool
// threads read for every sample meanwhile.
struct alignas(64) RTPSMessage {
  RTPSMessage() = default;
  // A copy starts without the headers' metadata: it may be given other headers.
  RTPSMessage(const RTPSMessage& other)
      : packetHeader(other.packetHeader), ipHeader(other.ipHeader), udpHeader(other.udpHeader),
        payload(other.payload) {}
  RTPSMessage& operator=(const RTPSMessage&) = delete;

  std::shared_ptr<const PacketHeader> packetHeader;
  std::shared_ptr<const IPHeader> ipHeader;
  std::shared_ptr<const UDPHeader> udpHeader;
  std::shared_ptr<const std::vector<uint8_t>> payload;
  // The sample metadata of the IP and UDP headers, made by the first sample of the datagram
  // that is dissected and shared by the others (CapturedSampleMetadata).
  mutable OnceGate headersOnce;
  mutable std::shared_ptr<const SamplePassiveMetadata> headers;
};

}  // namespace Quorvel::passive
