#include "support/DiscoverySeed.h"

#include "passive/LinkLayer.h"
#include "passive/PacketDecoder.h"
#include "passive/PacketHeader.h"
#include "passive/RTPSMessage.h"
#include "support/FuzzEnvironment.h"

#include <pcap/pcap.h>

#include <array>
#include <memory>
#include <set>
#include <stdexcept>

namespace Quorvel::fuzz {

namespace {

constexpr size_t kRtpsHeaderSize = 20;
constexpr size_t kSubMessageHeaderSize = 4;
constexpr uint8_t kDataId = 0x15;
constexpr uint8_t kLittleEndianFlag = 0x01;
// Offset of the writer entity id inside a DATA body: extraFlags, octetsToInlineQos, readerId.
constexpr size_t kDataWriterIdOffset = 8;
// Builtin SPDP participant, SEDP publications and SEDP subscriptions writers.
constexpr std::array<uint32_t, 3> kDiscoveryWriters = {0x000100c2, 0x000003c2, 0x000004c2};

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};

uint32_t BigEndian32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         bytes[3];
}

void PutBigEndian16(std::vector<uint8_t>& out, size_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

}  // namespace

Messages ReadRtpsMessages(const std::filesystem::path& recording) {
  std::array<char, PCAP_ERRBUF_SIZE> error{};
  std::unique_ptr<pcap_t, PcapCloser> handle(pcap_open_offline(recording.c_str(), error.data()));
  if (!handle) throw std::runtime_error(recording.string() + ": " + error.data());
  const auto link = passive::LinkLayer::FromDatalink(pcap_datalink(handle.get()));
  if (!link) throw std::runtime_error(recording.string() + ": unsupported link type");
  passive::PacketDecoder decoder(*link);
  Messages messages;
  pcap_pkthdr* record = nullptr;
  const u_char* bytes = nullptr;
  while (pcap_next_ex(handle.get(), &record, &bytes) == 1) {
    passive::PacketHeader header;
    header.ts = record->ts;
    header.caplen = record->caplen;
    header.len = record->len;
    if (auto message = decoder.Decode(header, {bytes, record->caplen})) {
      messages.push_back(std::move(message));
    }
  }
  return messages;
}

bool CarriesDiscovery(const passive::RTPSMessage& message) {
  const std::vector<uint8_t>& payload = *message.payload;
  size_t offset = kRtpsHeaderSize;
  while (offset + kSubMessageHeaderSize <= payload.size()) {
    const uint8_t id = payload[offset];
    const bool little = (payload[offset + 1] & kLittleEndianFlag) != 0;
    const uint8_t* lengthBytes = &payload[offset + 2];
    const size_t length = little ? (lengthBytes[0] | (lengthBytes[1] << 8))
                                 : ((lengthBytes[0] << 8) | lengthBytes[1]);
    const size_t body = offset + kSubMessageHeaderSize;
    if (id == kDataId && body + kDataWriterIdOffset + 4 <= payload.size()) {
      const uint32_t writer = BigEndian32(&payload[body + kDataWriterIdOffset]);
      for (const uint32_t discovery : kDiscoveryWriters) {
        if (writer == discovery) return true;
      }
    }
    if (length == 0) break;  // the last sub-message runs to the end of the message
    offset = body + length;
  }
  return false;
}

const Messages& RecordedDiscovery() {
  static const Messages discovery = [] {
    Messages kept;
    std::set<std::vector<uint8_t>> seen;
    for (const char* recording :
         {"passive_e2e/rich_lo.pcap", "passive_e2e/fastdds_lo.pcap", "passive/ddsperf_lo.pcap"}) {
      for (auto& message : ReadRtpsMessages(TestData(recording))) {
        if (CarriesDiscovery(*message) && seen.insert(*message->payload).second) {
          kept.push_back(std::move(message));
        }
      }
    }
    return kept;
  }();
  return discovery;
}

std::vector<uint8_t> UdpFrame(std::span<const uint8_t> payload) {
  constexpr size_t kIpHeaderSize = 20;
  constexpr size_t kUdpHeaderSize = 8;
  constexpr uint16_t kPort = 7400;
  // Destination and source MAC, then EtherType IPv4.
  std::vector<uint8_t> frame(12, 0);
  frame.insert(frame.end(), {0x08, 0x00});
  // Version 4 with a 20-byte header, no fragmentation, TTL 64, UDP, checksum left 0.
  frame.insert(frame.end(), {0x45, 0x00});
  PutBigEndian16(frame, kIpHeaderSize + kUdpHeaderSize + payload.size());
  frame.insert(frame.end(), {0x00, 0x01, 0x40, 0x00, 0x40, 0x11, 0x00, 0x00});
  frame.insert(frame.end(), {127, 0, 0, 1, 127, 0, 0, 1});
  PutBigEndian16(frame, kPort);
  PutBigEndian16(frame, kPort);
  PutBigEndian16(frame, kUdpHeaderSize + payload.size());
  frame.insert(frame.end(), {0x00, 0x00});
  frame.insert(frame.end(), payload.begin(), payload.end());
  return frame;
}

}  // namespace Quorvel::fuzz
