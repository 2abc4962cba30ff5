#include "passive/RTPSDataFragSubMessageHeader.h"

#include "passive/DataSubMessagePrefix.h"
#include "passive/SubMessageFlags.h"
#include "passive/WireReader.h"

#include <string>

namespace Quorvel::passive {

namespace {

// octetsToInlineQos counts from the byte after itself; 28 reaches past sampleSize, the least a
// DATA_FRAG can have.
constexpr uint16_t kOctetsToInlineQosOrigin = 8;
constexpr uint16_t kMinOctetsToInlineQos = 28;
// DATA_FRAG's K flag sits where DATA has its D flag (DDSI-RTPS 2.5, 9.4.5.4).
constexpr uint8_t kFragKeyFlag = 0x04;

}  // namespace

void RTPSDataFragSubMessageHeader::Init(WireReader subMessage) {
  const size_t start = subMessage.Begin();
  const DataSubMessagePrefix prefix = DataSubMessagePrefix::Read(subMessage);
  bigEndian = prefix.bigEndian;
  inlineQos = prefix.inlineQos;
  keyPresent = (prefix.flags & kFragKeyFlag) != 0;
  readerId = prefix.readerId;
  writerId = prefix.writerId;
  writerSN = SequenceNumber::Read(subMessage);
  fragmentStartingNum = subMessage.ReadU32();
  fragmentsInSubmessage = subMessage.ReadU16();
  fragmentSize = subMessage.ReadU16();
  sampleSize = subMessage.ReadU32();
  if (prefix.octetsToInlineQos < kMinOctetsToInlineQos) {
    subMessage.Fail("DATA_FRAG octetsToInlineQos " + std::to_string(prefix.octetsToInlineQos) +
                    " is below 28");
  }
  subMessage.Seek(start + kOctetsToInlineQosOrigin);
  subMessage.Skip(prefix.octetsToInlineQos);
  if (inlineQos) qos = InlineQos::Read(subMessage);
  fragmentDataOffset = subMessage.Offset();
  fragmentDataAvailable = subMessage.Remaining();
}

uint32_t RTPSDataFragSubMessageHeader::TotalFragments() const {
  if (fragmentSize == 0) return 0;
  return static_cast<uint32_t>((static_cast<uint64_t>(sampleSize) + fragmentSize - 1) /
                               fragmentSize);
}

size_t RTPSDataFragSubMessageHeader::FragmentBytes() const {
  const uint32_t total = TotalFragments();
  if (fragmentStartingNum == 0 || fragmentsInSubmessage == 0 || fragmentStartingNum > total) {
    return 0;
  }
  const uint64_t first = static_cast<uint64_t>(fragmentStartingNum - 1) * fragmentSize;
  const uint64_t last = static_cast<uint64_t>(fragmentStartingNum - 1) + fragmentsInSubmessage;
  const uint64_t end = last >= total ? sampleSize : last * fragmentSize;
  return static_cast<size_t>(end - first);
}

}  // namespace Quorvel::passive
