#include "passive/UDPHeader.h"

#include "passive/WireReader.h"

#include <string>

namespace Quorvel::passive {

UDPHeader UDPHeader::Decode(WireReader& reader) {
  UDPHeader header;
  header.src_port = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.dst_port = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.length = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.checksum = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  if (header.length < kSize) {
    reader.Fail("UDP length " + std::to_string(header.length) + " is below the 8-byte header");
  }
  reader.Require(header.PayloadLength());
  return header;
}

}  // namespace Quorvel::passive
