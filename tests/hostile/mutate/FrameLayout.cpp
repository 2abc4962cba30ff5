#include "FrameLayout.h"

#include <algorithm>
#include <array>

namespace Quorvel::Hostile {
namespace {

// libpcap link types (LINKTYPE_* of the tcpdump.org registry).
constexpr int kNull = 0;
constexpr int kEthernet = 1;
constexpr int kRawIp = 101;
constexpr int kLinuxCooked = 113;
constexpr int kLinuxCooked2 = 276;

constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint8_t kProtocolUdp = 17;
constexpr std::size_t kUdpHeader = 8;
constexpr std::size_t kRtpsHeader = 20;
constexpr std::array<std::uint8_t, 4> kRtpsMagic{'R', 'T', 'P', 'S'};

std::uint16_t Big16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::optional<std::size_t> IpOffset(int linkType, std::span<const std::uint8_t> frame) {
  switch (linkType) {
    case kEthernet: {
      std::size_t typeAt = 12;
      if (frame.size() >= 16 && Big16(frame, typeAt) == kEtherTypeVlan) typeAt += 4;
      if (frame.size() < typeAt + 2 || Big16(frame, typeAt) != kEtherTypeIpv4) return std::nullopt;
      return typeAt + 2;
    }
    case kLinuxCooked:
      if (frame.size() < 16 || Big16(frame, 14) != kEtherTypeIpv4) return std::nullopt;
      return 16;
    case kLinuxCooked2:
      if (frame.size() < 20 || Big16(frame, 0) != kEtherTypeIpv4) return std::nullopt;
      return 20;
    case kNull:
      return 4;
    case kRawIp:
      return 0;
    default:
      return std::nullopt;
  }
}

}  // namespace

FrameLayout FrameLayout::Of(int linkType, std::span<const std::uint8_t> frame) {
  FrameLayout layout;
  const std::optional<std::size_t> ip = IpOffset(linkType, frame);
  if (!ip || frame.size() < *ip + 20 || frame[*ip] >> 4 != 4) return layout;
  layout.ipOffset = ip;
  const std::size_t ipHeader = static_cast<std::size_t>(frame[*ip] & 0x0f) * 4;
  const std::uint16_t flagsAndOffset = Big16(frame, *ip + 6);
  layout.ipFragment = (flagsAndOffset & 0x2000) != 0 || (flagsAndOffset & 0x1fff) != 0;
  if (layout.ipFragment || frame[*ip + 9] != kProtocolUdp) return layout;
  const std::size_t rtps = *ip + ipHeader + kUdpHeader;
  if (frame.size() < rtps + kRtpsHeader ||
      !std::equal(kRtpsMagic.begin(), kRtpsMagic.end(), frame.begin() + rtps)) {
    return layout;
  }
  layout.rtpsOffset = rtps;
  // octetsToNextHeader 0 means "to the end of the message" except for PAD and INFO_TS.
  for (std::size_t at = rtps + kRtpsHeader; at + 4 <= frame.size();) {
    const bool little = (frame[at + 1] & 0x01) != 0;
    const std::size_t length = little ? (frame[at + 2] | frame[at + 3] << 8) : Big16(frame, at + 2);
    layout.subMessages.push_back({at, frame[at], little});
    if (length == 0) break;
    at += 4 + length;
  }
  return layout;
}

bool FrameLayout::Carries(std::uint8_t subMessageId) const {
  return std::any_of(subMessages.begin(), subMessages.end(),
                     [subMessageId](const SubMessageAt& s) { return s.id == subMessageId; });
}

}  // namespace Quorvel::Hostile
