#include "passive/LinkLayer.h"

#include "passive/HexText.h"
#include "passive/WireReader.h"

#include <array>
#include <cstdint>

namespace Quorvel::passive {

namespace {

constexpr uint16_t kEtherTypeIPv4 = 0x0800;
constexpr std::array<uint16_t, 3> kVlanEtherTypes{0x8100, 0x88A8, 0x9100};
constexpr uint32_t kAddressFamilyInet = 2;

// Link header sizes and where their protocol field lies (libpcap link-layer header types).
constexpr size_t kEthernetTypeOffset = 12;
constexpr size_t kSllProtocolOffset = 14;
constexpr size_t kSll2ProtocolOffset = 0;
constexpr size_t kSll2HeaderSize = 20;
constexpr size_t kLoopbackHeaderSize = 4;
constexpr size_t kVlanTagSize = 4;

struct DatalinkEntry {
  int datalink;
  LinkType type;
};
constexpr std::array<DatalinkEntry, 9> kDatalinks{{
    {1, LinkType::ETHERNET},       // DLT_EN10MB
    {113, LinkType::LINUX_SLL},    // DLT_LINUX_SLL
    {276, LinkType::LINUX_SLL2},   // DLT_LINUX_SLL2
    {0, LinkType::BSD_LOOPBACK},   // DLT_NULL
    {108, LinkType::BSD_LOOPBACK}, // DLT_LOOP
    {12, LinkType::RAW_IP},        // DLT_RAW on most systems
    {14, LinkType::RAW_IP},        // DLT_RAW on OpenBSD
    {101, LinkType::RAW_IP},       // LINKTYPE_RAW as stored in files
    {228, LinkType::RAW_IP},       // LINKTYPE_IPV4
}};

bool IsVlanTag(uint16_t etherType) {
  for (const uint16_t tag : kVlanEtherTypes) {
    if (etherType == tag) return true;
  }
  return false;
}

// From the protocol field at `typeOffset`, past any VLAN tags, to the first byte after it.
std::optional<size_t> AfterEtherType(const WireReader& frame, size_t typeOffset,
                                     std::string& whyNot) {
  uint16_t etherType = frame.PeekU16At(typeOffset, ByteOrder::BIG_ENDIAN_ORDER);
  while (IsVlanTag(etherType)) {
    typeOffset += kVlanTagSize;
    etherType = frame.PeekU16At(typeOffset, ByteOrder::BIG_ENDIAN_ORDER);
  }
  if (etherType != kEtherTypeIPv4) {
    whyNot = "EtherType " + HexNumber(etherType, 4) + " is not IPv4";
    return std::nullopt;
  }
  return typeOffset + 2;
}

}  // namespace

std::optional<LinkType> LinkLayer::FromDatalink(int datalink) {
  for (const DatalinkEntry& entry : kDatalinks) {
    if (entry.datalink == datalink) return entry.type;
  }
  return std::nullopt;
}

std::optional<size_t> LinkLayer::IPv4Offset(const WireReader& frame, std::string& whyNot) const {
  const size_t start = frame.Offset();
  std::optional<size_t> offset;
  switch (type_) {
    case LinkType::ETHERNET:
      offset = AfterEtherType(frame, start + kEthernetTypeOffset, whyNot);
      break;
    case LinkType::LINUX_SLL:
      offset = AfterEtherType(frame, start + kSllProtocolOffset, whyNot);
      break;
    case LinkType::LINUX_SLL2: {
      const uint16_t protocol =
          frame.PeekU16At(start + kSll2ProtocolOffset, ByteOrder::BIG_ENDIAN_ORDER);
      if (protocol != kEtherTypeIPv4) {
        whyNot = "protocol " + HexNumber(protocol, 4) + " is not IPv4";
        return std::nullopt;
      }
      offset = start + kSll2HeaderSize;
      break;
    }
    case LinkType::BSD_LOOPBACK: {
      // DLT_NULL holds the family in the byte order of the capturing host, DLT_LOOP in
      // network order: accept AF_INET either way.
      const uint32_t family = frame.PeekU32At(start, ByteOrder::LITTLE_ENDIAN_ORDER);
      if (family != kAddressFamilyInet && __builtin_bswap32(family) != kAddressFamilyInet) {
        whyNot = "address family " + std::to_string(family) + " is not IPv4";
        return std::nullopt;
      }
      offset = start + kLoopbackHeaderSize;
      break;
    }
    case LinkType::RAW_IP:
      offset = start;
      break;
  }
  if (!offset) return offset;
  const uint8_t version = frame.PeekU8At(*offset) >> 4;
  if (version != 4) {
    whyNot = "IP version " + std::to_string(version) + " is not 4";
    return std::nullopt;
  }
  return offset;
}

}  // namespace Quorvel::passive
