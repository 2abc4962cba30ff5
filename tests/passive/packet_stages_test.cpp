// The per-frame stages: every supported link type, IPv4 and UDP headers, and the drops of
// frames that are not IPv4 / UDP / RTPS or are shorter than their headers claim.

#include "support/LogCapture.h"
#include "passive/IPHeader.h"
#include "passive/LinkLayer.h"
#include "passive/PacketDecoder.h"
#include "passive/WireReader.h"
#include "passive/support/WireBuilder.h"

#include <gtest/gtest.h>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using Quorvel::testing::LogCapture;

const Bytes kPrefix{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const Bytes kRtps = testing::RtpsHeader(kPrefix);

// An annotated frame: Ethernet II, IPv4, UDP, a bare RTPS header.
const Bytes kEthernetFrame{
    0x01, 0x00, 0x5e, 0x7f, 0x00, 0x01,              // destination MAC (multicast)
    0x02, 0x00, 0x00, 0x00, 0x00, 0x01,              // source MAC
    0x08, 0x00,                                      // EtherType IPv4
    0x45, 0x10, 0x00, 0x30,                          // v4, IHL 5, TOS 0x10, total length 48
    0xab, 0xcd, 0x40, 0x00,                          // id 0xabcd, DF, offset 0
    0x01, 0x11, 0xbe, 0xef,                          // TTL 1, UDP, checksum 0xbeef
    0xc0, 0xa8, 0x01, 0xfe,                          // 192.168.1.254
    0xef, 0xff, 0x00, 0x01,                          // 239.255.0.1
    0x1c, 0xf2, 0x1c, 0xe8, 0x00, 0x1c, 0x12, 0x34,  // 7410 -> 7400, length 28, checksum
    'R',  'T',  'P',  'S',  0x02, 0x03, 0x01, 0x10,  // RTPS 2.3, vendor 0x0110
    1,    2,    3,    4,    5,    6,    7,    8,    9, 10, 11, 12,  // GUID prefix
    0x00, 0x00, 0x00, 0x00};                         // Ethernet padding, not part of IP

std::shared_ptr<RTPSMessage> DecodeOne(LinkType link, const Bytes& frame) {
  PacketDecoder decoder(link);
  return decoder.Decode(PacketHeader{}, frame);
}

TEST(PacketStages, AnnotatedEthernetFrameDecodesEveryHeaderField) {
  const auto message = DecodeOne(LinkType::ETHERNET, kEthernetFrame);
  ASSERT_NE(message, nullptr);
  const IPHeader& ip = *message->ipHeader;
  EXPECT_EQ(ip.version, 4);
  EXPECT_EQ(ip.header_length, 20u);
  EXPECT_EQ(ip.tos, 0x10);
  EXPECT_EQ(ip.total_len, 48);
  EXPECT_EQ(ip.identification, 0xabcd);
  EXPECT_EQ(ip.reserved_flag, 0);
  EXPECT_EQ(ip.dont_fragment_flag, 1);
  EXPECT_EQ(ip.more_fragments_flag, 0);
  EXPECT_EQ(ip.fragment_offset, 0);
  EXPECT_EQ(ip.ttl, 1);
  EXPECT_EQ(ip.protocol_kind, IPHeader::kProtocolUdp);
  EXPECT_EQ(ip.checksum, 0xbeef);
  EXPECT_EQ(ip.src_ip, "192.168.1.254");
  EXPECT_EQ(ip.dst_ip, "239.255.0.1");
  EXPECT_EQ(message->udpHeader->src_port, 7410);
  EXPECT_EQ(message->udpHeader->dst_port, 7400);
  EXPECT_EQ(message->udpHeader->length, 28);
  EXPECT_EQ(message->udpHeader->checksum, 0x1234);
  // The padding after the IP datagram is not payload.
  EXPECT_EQ(*message->payload, kRtps);
}

TEST(PacketStages, IPv4OptionsAndFragmentOffsetFieldsAreHonoured) {
  Bytes packet = testing::IPv4({}, testing::Udp(1, 2, kRtps));
  packet[0] = 0x46;                                  // IHL 6: four bytes of options
  packet.insert(packet.begin() + 20, {1, 1, 1, 0});  // NOP NOP NOP EOL
  packet[3] = static_cast<uint8_t>(packet[3] + 4);
  const auto message = DecodeOne(LinkType::RAW_IP, packet);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->ipHeader->header_length, 24u);
  EXPECT_EQ(*message->payload, kRtps);

  // Reserved and "more fragments" set, offset 3 units of 8 bytes.
  const Bytes fragmentHeader{0x45, 0, 0, 20, 0, 1, 0xA0, 0x03, 1, 17, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  WireReader flags(fragmentHeader);
  const IPHeader header = IPHeader::Decode(flags);
  EXPECT_EQ(header.reserved_flag, 1);
  EXPECT_EQ(header.more_fragments_flag, 1);
  EXPECT_EQ(header.fragment_offset, 24);
}

struct LinkCase {
  const char* name;
  int datalink;
  Bytes frame;
};

TEST(PacketStages, EveryLinkTypeReachesTheSameRtpsMessage) {
  const Bytes packet = testing::IPv4({}, testing::Udp(7410, 7400, kRtps));
  const std::vector<LinkCase> cases{
      {"Ethernet II", 1, testing::Ethernet(packet)},
      {"Ethernet 802.1Q", 1, testing::Ethernet(packet, 1)},
      {"Ethernet 802.1ad + 802.1Q", 1, testing::Ethernet(packet, 2)},
      {"Linux cooked v1", 113, testing::LinuxSll(packet)},
      {"Linux cooked v2", 276, testing::LinuxSll2(packet)},
      {"BSD loopback, little-endian host", 0, testing::BsdLoopback(packet)},
      {"BSD loopback, big-endian host", 0,
       testing::BsdLoopback(packet, 2, testing::Endian::BIG)},
      {"OpenBSD loop", 108, testing::BsdLoopback(packet, 2, testing::Endian::BIG)},
      {"raw (DLT_RAW)", 12, packet},
      {"raw (OpenBSD DLT_RAW)", 14, packet},
      {"raw (LINKTYPE_RAW)", 101, packet},
      {"raw IPv4 (LINKTYPE_IPV4)", 228, packet},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto link = LinkLayer::FromDatalink(c.datalink);
    ASSERT_TRUE(link.has_value());
    const auto message = DecodeOne(*link, c.frame);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(*message->payload, kRtps);
    EXPECT_EQ(message->ipHeader->dst_ip, "239.255.0.1");
  }
  EXPECT_FALSE(LinkLayer::FromDatalink(105).has_value());  // 802.11
  EXPECT_FALSE(LinkLayer::FromDatalink(127).has_value());  // radiotap
}

TEST(PacketStages, FramesOfOtherProtocolsAreDroppedWithADebugLine) {
  const Bytes packet = testing::IPv4({}, testing::Udp(7410, 7400, kRtps));
  Bytes ipv6 = packet;
  ipv6[0] = 0x60;
  const std::vector<std::tuple<LinkType, Bytes, std::string>> cases{
      {LinkType::ETHERNET, testing::Ethernet(packet, 0, 0x0806), "EtherType 0x0806 is not IPv4"},
      {LinkType::ETHERNET, testing::Ethernet(ipv6, 1, 0x86DD), "EtherType 0x86dd is not IPv4"},
      {LinkType::LINUX_SLL, testing::LinuxSll(ipv6, 0x86DD), "EtherType 0x86dd is not IPv4"},
      {LinkType::LINUX_SLL2, testing::LinuxSll2(ipv6, 0x86DD), "protocol 0x86dd is not IPv4"},
      {LinkType::BSD_LOOPBACK, testing::BsdLoopback(ipv6, 30), "address family 30 is not IPv4"},
      {LinkType::RAW_IP, ipv6, "IP version 6 is not 4"},
      {LinkType::ETHERNET, testing::Ethernet(ipv6), "IP version 6 is not 4"},
  };
  for (const auto& [link, frame, why] : cases) {
    SCOPED_TRACE(why);
    LogCapture log;
    EXPECT_EQ(DecodeOne(link, frame), nullptr);
    EXPECT_EQ(log.Count("Discarding a non-IPv4 frame: " + why), 1u);
  }
}

TEST(PacketStages, NonUdpShortAndNonRtpsDatagramsAreDroppedWithTheirLines) {
  testing::IpSpec tcp;
  tcp.protocol = 6;
  tcp.id = 77;
  Bytes rtpx = kRtps;
  rtpx[3] = 'X';
  const std::vector<std::pair<Bytes, std::string>> cases{
      {testing::Ethernet(testing::IPv4(tcp, testing::Udp(1, 2, kRtps))),
       "Discarding non-UDP Message from 10.0.0.1 ip.id #77"},
      // UDP length 19: eleven payload bytes cannot hold an RTPS header.
      {testing::Ethernet(testing::IPv4({}, testing::Udp(1, 2, Bytes(kRtps.begin(), kRtps.begin() + 11)))),
       "Discard non-RTPS Message from 10.0.0.1"},
      {testing::Ethernet(testing::IPv4({}, testing::Udp(1, 2, rtpx))),
       "Discarding a non-RTPS Message from 10.0.0.1"},
  };
  for (const auto& [frame, line] : cases) {
    SCOPED_TRACE(line);
    LogCapture log;
    EXPECT_EQ(DecodeOne(LinkType::ETHERNET, frame), nullptr);
    EXPECT_EQ(log.Count(line), 1u);
  }
  // Twenty bytes of UDP are enough to be considered.
  const Bytes twelve(kRtps.begin(), kRtps.begin() + 12);
  EXPECT_NE(DecodeOne(LinkType::ETHERNET, testing::Ethernet(testing::IPv4({}, testing::Udp(1, 2, twelve)))), nullptr);
}

TEST(PacketStages, TruncatedFramesAreDroppedWithAWarningAndTheNextFrameStillDecodes) {
  const Bytes good = testing::EthernetRtpsFrame(kRtps);
  Bytes badIhl = good;
  badIhl[14] = 0x44;  // IHL 4: a header below 20 bytes
  Bytes shortTotal = good;
  shortTotal[17] = 19;  // total length below the header
  Bytes udpTooLong = good;
  udpTooLong[14 + 20 + 5] = 200;  // UDP length past the datagram
  Bytes udpTooShort = good;
  udpTooShort[14 + 20 + 4] = 0;
  udpTooShort[14 + 20 + 5] = 7;
  const Bytes sll2 = testing::LinuxSll2(testing::IPv4({}, {}));
  // Offsets count from the frame up to the IP payload, then from the UDP header.
  const std::vector<std::pair<Bytes, std::string>> cases{
      {Bytes(good.begin(), good.begin() + 10), "2 bytes needed at offset 12, 0 left"},
      {Bytes(good.begin(), good.begin() + 14), "1 bytes needed at offset 14, 0 left"},
      {Bytes(good.begin(), good.begin() + 30), "4 bytes needed at offset 30, 0 left"},
      {Bytes(good.begin(), good.end() - 1), "28 bytes needed at offset 34, 27 left"},
      {Bytes(sll2.begin(), sll2.begin() + 19), "1 bytes needed at offset 20, 0 left"},
      {badIhl, "IPv4 header length 16 is below 20 bytes"},
      {shortTotal, "IPv4 total length 19 is below its header length 20"},
      {udpTooLong, "192 bytes needed at offset 8, 20 left"},
      {udpTooShort, "UDP length 7 is below the 8-byte header"},
  };
  PacketDecoder decoder(LinkType::ETHERNET);
  for (const auto& [frame, why] : cases) {
    SCOPED_TRACE(why);
    LogCapture log;
    PacketDecoder stage(frame[0] == 0x08 ? LinkType::LINUX_SLL2 : LinkType::ETHERNET);
    EXPECT_EQ(stage.Decode(PacketHeader{}, frame), nullptr);
    EXPECT_EQ(log.Count("Discarding a malformed frame of " + std::to_string(frame.size()) +
                        " captured bytes"), 1u);
    EXPECT_EQ(log.Count(why), 1u) << log.Messages().back();
    EXPECT_NE(decoder.Decode(PacketHeader{}, good), nullptr);
  }
}

}  // namespace
}  // namespace Quorvel::passive
