#pragma once

#include <cstdint>

namespace Quorvel::passive {

class WireReader;

// The 8-byte UDP header (RFC 768), host order; the checksum is kept, not verified.
struct UDPHeader {
  static constexpr uint16_t kSize = 8;

  uint16_t src_port = 0;
  uint16_t dst_port = 0;
  uint16_t length = 0;  // header plus payload
  uint16_t checksum = 0;

  uint16_t PayloadLength() const { return static_cast<uint16_t>(length - kSize); }

  // Reads the header at the cursor; throws WireError when `length` is below 8 or claims more
  // bytes than the datagram holds.
  static UDPHeader Decode(WireReader& reader);
};

}  // namespace Quorvel::passive
