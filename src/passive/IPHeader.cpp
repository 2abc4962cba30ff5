#include "passive/IPHeader.h"

#include "passive/WireReader.h"

namespace Quorvel::passive {

namespace {

constexpr uint8_t kUdpProtocolNumber = 17;
constexpr uint32_t kFixedHeaderSize = 20;

std::string DottedDecimal(std::span<const uint8_t> address) {
  std::string text;
  for (size_t i = 0; i < address.size(); ++i) {
    if (i != 0) text += '.';
    text += std::to_string(address[i]);
  }
  return text;
}

}  // namespace

IPHeader IPHeader::Decode(WireReader& reader) {
  const size_t start = reader.Offset();
  IPHeader header;
  const uint8_t versionAndLength = reader.ReadU8();
  header.version = versionAndLength >> 4;
  header.header_length = (versionAndLength & 0x0F) * 4u;
  if (header.version != 4) {
    reader.Fail("IP version " + std::to_string(header.version) + " is not 4");
  }
  if (header.header_length < kFixedHeaderSize) {
    reader.Fail("IPv4 header length " + std::to_string(header.header_length) +
                " is below 20 bytes");
  }
  header.tos = reader.ReadU8();
  header.total_len = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.identification = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  const uint16_t flagsAndOffset = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.reserved_flag = (flagsAndOffset >> 15) & 1;
  header.dont_fragment_flag = (flagsAndOffset >> 14) & 1;
  header.more_fragments_flag = (flagsAndOffset >> 13) & 1;
  header.fragment_offset = static_cast<uint16_t>(flagsAndOffset << 3);
  header.ttl = reader.ReadU8();
  header.protocol_kind = reader.ReadU8() == kUdpProtocolNumber ? kProtocolUdp : kProtocolOther;
  header.checksum = reader.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  header.src_ip = DottedDecimal(reader.Take(4));
  header.dst_ip = DottedDecimal(reader.Take(4));
  if (header.total_len < header.header_length) {
    reader.Fail("IPv4 total length " + std::to_string(header.total_len) +
                " is below its header length " + std::to_string(header.header_length));
  }
  // Options, then the claim of total_len is held against what was captured.
  reader.Seek(start + kFixedHeaderSize);
  reader.Skip(header.header_length - kFixedHeaderSize);
  reader.Require(header.PayloadLength());
  return header;
}

}  // namespace Quorvel::passive
