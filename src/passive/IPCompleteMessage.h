#pragma once

#include "passive/IPHeader.h"
#include "passive/PacketHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Quorvel::passive {

// A datagram joined from its fragments: the headers of its first fragment and the whole IP
// payload, starting with the UDP header.
struct IPCompleteMessage {
  std::shared_ptr<const PacketHeader> packetHeader;
  std::shared_ptr<const IPHeader> ipHeader;
  std::vector<uint8_t> payload;
};

}  // namespace Quorvel::passive
