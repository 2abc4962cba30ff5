#include "frag/support/FragBuilder.h"

#include "passive/support/RtpsFixture.h"

#include <algorithm>

namespace Quorvel::passive::testing {

Bytes DataFrag(const FragSpec& spec) {
  Bytes body;
  PutU16(body, 0, spec.endian);   // extra flags
  PutU16(body, 28, spec.endian);  // octetsToInlineQos
  PutU32(body, 0, Endian::BIG);   // readerId
  PutU32(body, spec.writerId, Endian::BIG);
  PutU32(body, static_cast<uint32_t>(spec.sequence >> 32), spec.endian);
  PutU32(body, static_cast<uint32_t>(spec.sequence), spec.endian);
  PutU32(body, spec.firstFragment, spec.endian);
  PutU16(body, spec.fragments, spec.endian);
  PutU16(body, spec.fragmentSize, spec.endian);
  PutU32(body, spec.sampleSize, spec.endian);
  Append(body, spec.inlineQos);
  Append(body, spec.data);
  while (body.size() % 4 != 0) body.push_back(0);  // sub-messages end on a 4-byte boundary
  uint8_t flags = 0;
  if (!spec.inlineQos.empty()) flags |= 0x02;
  if (spec.key) flags |= 0x04;
  return SubMessage(0x16, flags, spec.endian, body);
}

std::vector<Bytes> FragmentSample(const FragSpec& base, const Bytes& sample,
                                  uint16_t fragmentSize, uint16_t perMessage) {
  std::vector<Bytes> out;
  const size_t total = (sample.size() + fragmentSize - 1) / fragmentSize;
  for (size_t first = 0; first < total; first += perMessage) {
    FragSpec spec = base;
    spec.firstFragment = static_cast<uint32_t>(first + 1);
    spec.fragments = static_cast<uint16_t>(std::min<size_t>(perMessage, total - first));
    spec.fragmentSize = fragmentSize;
    spec.sampleSize = static_cast<uint32_t>(sample.size());
    const size_t begin = first * fragmentSize;
    const size_t end = std::min(sample.size(), (first + spec.fragments) * fragmentSize);
    spec.data.assign(sample.begin() + static_cast<std::ptrdiff_t>(begin),
                     sample.begin() + static_cast<std::ptrdiff_t>(end));
    if (first != 0) spec.inlineQos.clear();  // writers put the inline QoS on the first only
    out.push_back(DataFrag(spec));
  }
  return out;
}

Bytes CdrPayload(size_t dataBytes, uint8_t seed) {
  Bytes payload{0x00, 0x01, 0x00, 0x00};
  for (size_t i = 0; i < dataBytes; ++i) payload.push_back(static_cast<uint8_t>(seed + i));
  return payload;
}

std::shared_ptr<const RTPSMessage> CapturedAt(const Bytes& subMessages, int64_t captureUs,
                                              const std::string& srcIp) {
  Bytes rtps = RtpsHeader(TestPrefix());
  Append(rtps, subMessages);
  auto message = std::make_shared<RTPSMessage>(*CapturedMessage(rtps));
  auto packet = std::make_shared<PacketHeader>();
  packet->ts.tv_sec = captureUs / 1'000'000;
  packet->ts.tv_usec = captureUs % 1'000'000;
  message->packetHeader = packet;
  auto ip = std::make_shared<IPHeader>(*message->ipHeader);
  ip->src_ip = srcIp;
  message->ipHeader = ip;
  return message;
}

}  // namespace Quorvel::passive::testing
