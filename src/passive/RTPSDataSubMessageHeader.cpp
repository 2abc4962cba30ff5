#include "passive/RTPSDataSubMessageHeader.h"

#include "passive/DataSubMessagePrefix.h"
#include "passive/SubMessageFlags.h"
#include "passive/WireReader.h"

#include <algorithm>
#include <array>
#include <string>

namespace Quorvel::passive {

namespace {

// octetsToInlineQos counts from the byte after itself; 16 reaches past the writer's sequence
// number, the least a DATA can have.
constexpr uint16_t kOctetsToInlineQosOrigin = 8;
constexpr uint16_t kMinOctetsToInlineQos = 16;
constexpr size_t kEncapsulationHeaderSize = 4;

constexpr std::array<uint16_t, 5> kLittleEndianEncapsulations{0x0001, 0x0003, 0x0007, 0x0009,
                                                              0x000B};

}  // namespace

bool RTPSDataSubMessageHeader::IsBigEndianEncapsulation(uint16_t encapsulationId) {
  return std::find(kLittleEndianEncapsulations.begin(), kLittleEndianEncapsulations.end(),
                   encapsulationId) == kLittleEndianEncapsulations.end();
}

void RTPSDataSubMessageHeader::Init(WireReader subMessage) {
  const size_t start = subMessage.Begin();
  const DataSubMessagePrefix prefix = DataSubMessagePrefix::Read(subMessage);
  bigEndian = prefix.bigEndian;
  inlineQos = prefix.inlineQos;
  dataPresent = (prefix.flags & SubMessageFlags::kData) != 0;
  keyPresent = (prefix.flags & SubMessageFlags::kKey) != 0;
  octetsToNextHeader = prefix.octetsToNextHeader;
  octetsToInlineQos = prefix.octetsToInlineQos;
  readerId = prefix.readerId;
  writerId = prefix.writerId;
  writerSN = SequenceNumber::Read(subMessage);
  if (octetsToInlineQos < kMinOctetsToInlineQos) {
    subMessage.Fail("octetsToInlineQos " + std::to_string(octetsToInlineQos) +
                    " is below 16");
  }
  subMessage.Seek(start + kOctetsToInlineQosOrigin);
  subMessage.Skip(octetsToInlineQos);
  if (inlineQos) qos = InlineQos::Read(subMessage);
  payloadOffset = static_cast<uint16_t>(subMessage.Offset() - start);
  payloadLength = static_cast<uint32_t>(subMessage.Remaining());
  if (dataPresent || keyPresent) {
    subMessage.Require(kEncapsulationHeaderSize);
    encapsulationId = subMessage.PeekU16At(subMessage.Offset(), ByteOrder::BIG_ENDIAN_ORDER);
    payloadBigEndian = IsBigEndianEncapsulation(encapsulationId);
  }
}

}  // namespace Quorvel::passive
