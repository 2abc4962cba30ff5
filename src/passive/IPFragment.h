#pragma once

#include "passive/IPHeader.h"
#include "passive/PacketHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Quorvel::passive {

// One captured piece of a fragmented IPv4 datagram: its frame and IP headers and the IP payload
// bytes it carries (total_len minus header_length).
struct IPFragment {
  std::shared_ptr<const PacketHeader> packetHeader;
  std::shared_ptr<const IPHeader> ipHeader;
  std::vector<uint8_t> payload;
};

}  // namespace Quorvel::passive
