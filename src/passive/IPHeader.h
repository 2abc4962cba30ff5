#pragma once

#include <cstdint>
#include <string>

namespace Quorvel::passive {

class WireReader;

// The 20 fixed bytes of an IPv4 header (RFC 791), host order. Options are skipped by
// header_length and not read.
struct IPHeader {
  static constexpr uint32_t kProtocolUdp = 0;
  static constexpr uint32_t kProtocolOther = 3;
  static constexpr uint16_t kMaxDatagramSize = 65535;

  uint8_t version = 0;
  uint32_t header_length = 0;  // bytes
  uint8_t tos = 0;
  uint16_t total_len = 0;
  uint16_t identification = 0;
  uint8_t reserved_flag = 0;
  uint8_t dont_fragment_flag = 0;
  uint8_t more_fragments_flag = 0;
  uint16_t fragment_offset = 0;  // bytes
  uint16_t ttl = 0;
  uint32_t protocol_kind = kProtocolOther;
  uint16_t checksum = 0;
  std::string src_ip;
  std::string dst_ip;

  bool IsFragment() const { return more_fragments_flag != 0 || fragment_offset != 0; }
  uint32_t PayloadLength() const { return total_len - header_length; }

  // Reads the header at the reader's cursor and leaves the cursor on the first payload byte.
  // Throws WireError when the bytes are not a sound IPv4 header: version not 4, header length
  // below 20, total length below the header length or past the captured bytes.
  static IPHeader Decode(WireReader& reader);
};

}  // namespace Quorvel::passive
