// pcapng recordings: interfaces of different link types in one file (which libpcap refuses),
// both byte orders, timestamp resolutions, simple packet blocks, blocks to skip, and broken
// files that end the read after the packets before the damage.

#include "frag/support/PcapngWriter.h"
#include "passive/PassiveEthernetPacketsProcessor.h"
#include "passive/PcapngCapture.h"
#include "passive/PcapngReader.h"
#include "passive/WireError.h"
#include "support/LogCapture.h"

#include <boost/asio/thread_pool.hpp>
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using testing::Endian;
using testing::PcapngWriter;
using Quorvel::testing::LogCapture;

constexpr uint16_t kEthernet = 1;
constexpr uint16_t kLinuxSll = 113;
constexpr uint16_t kIeee80211 = 105;  // a link the engine does not read

Bytes Rtps(uint8_t marker) {
  Bytes rtps = testing::RtpsHeader({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, marker});
  testing::Append(rtps, testing::InfoTs(1, 2, Endian::LITTLE));
  return rtps;
}

Bytes EthernetFrame(uint8_t marker) { return testing::EthernetRtpsFrame(Rtps(marker)); }

Bytes SllFrame(uint8_t marker) {
  testing::IpSpec ip;
  ip.src = "10.0.0.2";
  return testing::LinuxSll(testing::IPv4(ip, testing::Udp(7411, 7400, Rtps(marker))));
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("veltrane_frag_" + name)).string();
}

// What the capture stage enqueued from a file: source address and last GUID prefix byte.
std::vector<std::pair<std::string, uint8_t>> Dissect(const std::string& path) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  auto queue = std::make_shared<MessageQueueManager<RTPSMessage>>(pool, [] {});
  PassiveEthernetPacketsProcessor stage;
  stage.Init(path, queue, SourceType::PCAP_FILE);
  stage.Operation();
  stage.Terminate();
  pool->join();
  std::vector<std::pair<std::string, uint8_t>> seen;
  while (const auto message = queue->Pop()) {
    seen.emplace_back(message->ipHeader->src_ip, (*message->payload)[19]);
  }
  return seen;
}

TEST(Pcapng, InterfacesOfDifferentLinkTypesAreEachDecodedByTheirOwn) {
  PcapngWriter writer;
  writer.SectionHeader();
  writer.Interface(kEthernet);
  writer.Interface(kLinuxSll);
  writer.Interface(kIeee80211);
  writer.EnhancedPacket(0, 1, EthernetFrame(1));
  writer.EnhancedPacket(1, 2, SllFrame(2));
  writer.EnhancedPacket(2, 3, EthernetFrame(3));  // on the unreadable link: dropped
  writer.Block(5, Bytes(8, 0));                   // interface statistics: skipped
  writer.Block(0x00000BAD, Bytes(4, 0xEE));        // custom: skipped
  writer.EnhancedPacket(1, 4, SllFrame(4));
  writer.EnhancedPacket(0, 5, EthernetFrame(5));
  const std::string path = TempPath("mixed.pcapng");
  writer.Write(path);

  // libpcap gives up at the first interface whose link type differs from the first one's.
  char error[PCAP_ERRBUF_SIZE] = {};
  if (pcap_t* libpcap = pcap_open_offline(path.c_str(), error)) {
    pcap_pkthdr* header = nullptr;
    const u_char* frame = nullptr;
    int result = 0;
    int packets = 0;
    while ((result = pcap_next_ex(libpcap, &header, &frame)) == 1) ++packets;
    EXPECT_EQ(result, PCAP_ERROR) << "libpcap now reads mixed link types";
    EXPECT_LT(packets, 5);
    pcap_close(libpcap);
  }

  LogCapture log;
  const auto seen = Dissect(path);
  const std::vector<std::pair<std::string, uint8_t>> expected{
      {"10.0.0.1", 1}, {"10.0.0.2", 2}, {"10.0.0.2", 4}, {"10.0.0.1", 5}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(log.Count("Interface 2 of " + path + " has link type 105, which the engine cannot "
                      "read: its packets are dropped"),
            1u);
  EXPECT_EQ(log.Count("EOF was reached reading from an offline capture " + path), 1u);
  std::filesystem::remove(path);
}

TEST(Pcapng, BigEndianSectionsResolutionsAndSimplePackets) {
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    PcapngWriter writer(endian);
    writer.SectionHeader();
    writer.Interface(kEthernet, 0, 9);        // nanoseconds
    writer.Interface(kLinuxSll, 0, 0x80 | 10);  // 1/1024 s
    writer.EnhancedPacket(0, 1'700'000'000'123'456'789ull, EthernetFrame(1));
    writer.EnhancedPacket(1, (uint64_t{1'700'000'001} << 10) | 512, SllFrame(2));
    writer.SectionHeader();  // a new section: interface ids start again
    writer.Interface(kLinuxSll, 64);
    writer.SimplePacket(SllFrame(3));  // cut to the snap length of 64
    writer.EnhancedPacket(0, 1'700'000'002'000'007ull, SllFrame(4));
    const std::string path = TempPath("sections.pcapng");
    writer.Write(path);

    PcapngReader reader(path);
    std::vector<PcapngPacket> packets;
    std::vector<Bytes> frames;
    while (auto packet = reader.Next()) {
      frames.emplace_back(packet->frame.begin(), packet->frame.end());
      packets.push_back(*packet);
    }
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0].linkType, kEthernet);
    EXPECT_EQ(packets[0].header.ts.tv_sec, 1'700'000'000);
    EXPECT_EQ(packets[0].header.ts.tv_usec, 123'456);
    EXPECT_EQ(frames[0], EthernetFrame(1));
    EXPECT_EQ(packets[1].linkType, kLinuxSll);
    EXPECT_EQ(packets[1].header.ts.tv_sec, 1'700'000'001);
    EXPECT_EQ(packets[1].header.ts.tv_usec, 500'000);
    EXPECT_EQ(packets[2].linkType, kLinuxSll);
    EXPECT_EQ(packets[2].header.caplen, 64u);
    EXPECT_EQ(packets[2].header.len, SllFrame(3).size());
    const Bytes third = SllFrame(3);
    EXPECT_EQ(frames[2], Bytes(third.begin(), third.begin() + 64));
    EXPECT_EQ(packets[3].interfaceId, 0u);
    EXPECT_EQ(packets[3].linkType, kLinuxSll);
    EXPECT_EQ(packets[3].header.ts.tv_sec, 1'700'000'002);
    EXPECT_EQ(packets[3].header.ts.tv_usec, 7);
    EXPECT_EQ(frames[3], SllFrame(4));
    std::filesystem::remove(path);
  }
}

struct BrokenCase {
  const char* name;
  Bytes tail;            // appended after two good packets
  const char* error;
};

TEST(Pcapng, DamageEndsTheReadAfterThePacketsBeforeIt) {
  PcapngWriter good;
  good.SectionHeader();
  good.Interface(kEthernet);
  good.EnhancedPacket(0, 1, EthernetFrame(1));
  good.EnhancedPacket(0, 2, EthernetFrame(2));

  const auto block = [](uint32_t type, uint32_t length, const Bytes& body, uint32_t trailer) {
    Bytes bytes;
    testing::PutU32(bytes, type, Endian::LITTLE);
    testing::PutU32(bytes, length, Endian::LITTLE);
    testing::Append(bytes, body);
    testing::PutU32(bytes, trailer, Endian::LITTLE);
    return bytes;
  };
  Bytes overlong;  // an enhanced packet claiming more captured bytes than its block holds
  for (uint32_t value : {0u, 0u, 3u, 500u, 500u}) testing::PutU32(overlong, value, Endian::LITTLE);
  Bytes unknownInterface;
  for (uint32_t value : {7u, 0u, 3u, 0u, 0u}) testing::PutU32(unknownInterface, value, Endian::LITTLE);
  const std::vector<BrokenCase> cases{
      {"length not a multiple of 4", block(6, 30, Bytes(18, 0), 30),
       "block length 30 is not a multiple of 4"},
      {"trailing length differs", block(6, 32, Bytes(20, 0), 36),
       "trailing block length differs from the leading 32"},
      {"absurd length", block(6, 0x7FFFFFF0, {}, 0), "block length 2147483632 is not a multiple"},
      {"captured length past the block", block(6, 32, overlong, 32),
       "500 bytes needed at offset 20, 0 left"},
      {"unknown interface", block(6, 32, unknownInterface, 32),
       "names interface 7, the section has 1"},
      {"file ends inside a block", Bytes{6, 0, 0, 0, 64, 0, 0, 0, 1, 2, 3},
       "the file ends inside a block of 64 bytes"},
  };
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    PcapngWriter writer = good;
    writer.Raw(c.tail);
    if (c.tail.size() % 4 == 0) writer.EnhancedPacket(0, 3, EthernetFrame(3));  // never reached
    const std::string path = TempPath("broken.pcapng");
    writer.Write(path);
    LogCapture log;
    const auto seen = Dissect(path);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(log.Count("Error reading the packets pcapng block at file offset "), 1u);
    EXPECT_EQ(log.Count(c.error), 1u);
    std::filesystem::remove(path);
  }
}

TEST(Pcapng, OnlyFilesStartingWithASectionHeaderAreReadAsPcapng) {
  const std::string classic = TempPath("classic.pcap");
  testing::WritePcap(classic, DLT_EN10MB, {EthernetFrame(1)});
  EXPECT_FALSE(PcapngReader::IsPcapng(classic));
  EXPECT_EQ(Dissect(classic).size(), 1u);  // still read by libpcap
  EXPECT_FALSE(PcapngReader::IsPcapng(TempPath("absent.pcapng")));
  PcapngWriter writer;
  writer.Raw({1, 2, 3, 4, 5, 6, 7, 8});
  const std::string notASection = TempPath("headless.pcapng");
  writer.Write(notASection);
  EXPECT_FALSE(PcapngReader::IsPcapng(notASection));
  std::filesystem::remove(classic);
  std::filesystem::remove(notASection);
}

}  // namespace
}  // namespace Quorvel::passive
