#pragma once

#include "passive/IPHeader.h"
#include "passive/PacketHeader.h"
#include "passive/UDPHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Quorvel::passive {

// One UDP datagram that starts with the RTPS magic, as the capture stage hands it on. The
// payload is copied once out of the capture buffer; every later record shares it and addresses
// sub-messages by offset.
struct RTPSMessage {
  std::shared_ptr<const PacketHeader> packetHeader;
  std::shared_ptr<const IPHeader> ipHeader;
  std::shared_ptr<const UDPHeader> udpHeader;
  std::shared_ptr<const std::vector<uint8_t>> payload;
};

}  // namespace Quorvel::passive
