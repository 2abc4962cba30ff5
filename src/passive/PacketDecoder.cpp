#include "passive/PacketDecoder.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"
#include "passive/WireReader.h"

#include <algorithm>
#include <array>

namespace Quorvel::passive {

namespace {

constexpr std::array<uint8_t, 4> kRtpsMagic{'R', 'T', 'P', 'S'};
// Below this a UDP datagram cannot hold the 20-byte RTPS header.
constexpr uint16_t kShortestRtpsUdpLength = 20;

}  // namespace

std::shared_ptr<RTPSMessage> PacketDecoder::Decode(const PacketHeader& header,
                                                   std::span<const uint8_t> frame) {
  try {
    return DecodeFrame(header, frame);
  } catch (const WireError& error) {
    LogWarning(std::string("Discarding a malformed frame of ") + std::to_string(frame.size()) +
               " captured bytes: " + error.what());
    if (counters_) counters_->Dropped(DropReason::MALFORMED_INPUT);
    return nullptr;
  }
}

std::nullptr_t PacketDecoder::NotRtps() {
  if (counters_) counters_->Dropped(DropReason::NON_RTPS);
  return nullptr;
}

std::shared_ptr<RTPSMessage> PacketDecoder::DecodeFrame(const PacketHeader& header,
                                                        std::span<const uint8_t> frame) {
  WireReader reader(frame);
  std::string whyNot;
  const std::optional<size_t> ipOffset = link_.IPv4Offset(reader, whyNot);
  if (!ipOffset) {
    LogDebug("Discarding a non-IPv4 frame: " + whyNot);
    return NotRtps();
  }
  reader.Seek(*ipOffset);
  auto ipHeader = std::make_shared<const IPHeader>(IPHeader::Decode(reader));
  if (ipHeader->protocol_kind != IPHeader::kProtocolUdp) {
    VELTRANE_LOG(DEBUG, "Discarding non-UDP Message from " + ipHeader->src_ip + " ip.id #" +
                            std::to_string(ipHeader->identification));
    return NotRtps();
  }
  const std::span<const uint8_t> ipPayload = reader.Take(ipHeader->PayloadLength());
  auto packetHeader = std::make_shared<const PacketHeader>(header);
  if (!ipHeader->IsFragment()) {
    return DecodeDatagram(std::move(packetHeader), std::move(ipHeader), ipPayload);
  }

  auto fragment = std::make_shared<IPFragment>();
  fragment->packetHeader = std::move(packetHeader);
  fragment->ipHeader = std::move(ipHeader);
  fragment->payload.assign(ipPayload.begin(), ipPayload.end());
  fragments_.AddFragment(std::move(fragment));
  const std::shared_ptr<IPCompleteMessage> complete = fragments_.GetCompleteIPMessage();
  if (!complete) return nullptr;
  return DecodeDatagram(complete->packetHeader, complete->ipHeader, complete->payload);
}

std::shared_ptr<RTPSMessage> PacketDecoder::DecodeDatagram(
    std::shared_ptr<const PacketHeader> packetHeader, std::shared_ptr<const IPHeader> ipHeader,
    std::span<const uint8_t> datagram) {
  WireReader reader(datagram);
  auto udpHeader = std::make_shared<const UDPHeader>(UDPHeader::Decode(reader));
  if (udpHeader->length < kShortestRtpsUdpLength) {
    VELTRANE_LOG(DEBUG, "Discard non-RTPS Message from " + ipHeader->src_ip);
    return NotRtps();
  }
  const std::span<const uint8_t> payload = reader.Take(udpHeader->PayloadLength());
  if (!std::equal(kRtpsMagic.begin(), kRtpsMagic.end(), payload.begin())) {
    VELTRANE_LOG(DEBUG, "Discarding a non-RTPS Message from " + ipHeader->src_ip);
    return NotRtps();
  }
  auto message = std::make_shared<RTPSMessage>();
  message->payload = std::make_shared<const std::vector<uint8_t>>(payload.begin(), payload.end());
  VELTRANE_LOG(TRACE, "Enqueuing a UDP RTPS Message from " + ipHeader->src_ip + " ip.id #" +
                          std::to_string(ipHeader->identification) + " of size (bytes) " +
                          std::to_string(payload.size()));
  message->packetHeader = std::move(packetHeader);
  message->ipHeader = std::move(ipHeader);
  message->udpHeader = std::move(udpHeader);
  return message;
}

}  // namespace Quorvel::passive
