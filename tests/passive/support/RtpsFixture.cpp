#include "RtpsFixture.h"

namespace Quorvel::passive::testing {

const Bytes& TestPrefix() {
  static const Bytes prefix{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  return prefix;
}

std::shared_ptr<const RTPSMessage> CapturedMessage(const Bytes& rtpsPayload) {
  auto message = std::make_shared<RTPSMessage>();
  message->packetHeader = std::make_shared<PacketHeader>();
  auto ip = std::make_shared<IPHeader>();
  ip->src_ip = "10.0.0.1";
  ip->identification = 7;
  message->ipHeader = ip;
  auto udp = std::make_shared<UDPHeader>();
  udp->length = static_cast<uint16_t>(rtpsPayload.size() + 8);
  message->udpHeader = udp;
  message->payload = std::make_shared<const std::vector<uint8_t>>(rtpsPayload);
  return message;
}

RtpsFixture::RtpsFixture(EngineOperationMode mode)
    : processor(std::make_unique<PassiveRTPSMessageProcessor>(mode, targets)) {}

void RtpsFixture::Process(const Bytes& subMessages) {
  Bytes rtps = RtpsHeader(TestPrefix());
  Append(rtps, subMessages);
  processor->ProcessMessage(CapturedMessage(rtps));
}

}  // namespace Quorvel::passive::testing
