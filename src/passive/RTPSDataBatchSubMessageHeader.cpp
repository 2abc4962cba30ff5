#include "passive/RTPSDataBatchSubMessageHeader.h"

#include "passive/DataSubMessagePrefix.h"
#include "passive/RTPSDataSubMessageHeader.h"
#include "passive/WireReader.h"

#include <string>

namespace Quorvel::passive {

namespace {
constexpr size_t kEncapsulationHeaderSize = 4;
}

void RTPSDataBatchSubMessageHeader::Init(WireReader subMessage) {
  const size_t start = subMessage.Begin();
  const DataSubMessagePrefix prefix = DataSubMessagePrefix::Read(subMessage);
  bigEndian = prefix.bigEndian;
  inlineQos = prefix.inlineQos;
  octetsToNextHeader = prefix.octetsToNextHeader;
  octetsToInlineQos = prefix.octetsToInlineQos;
  readerId = prefix.readerId;
  writerId = prefix.writerId;
  batchSN = SequenceNumber::Read(subMessage);
  firstSampleSN = SequenceNumber::Read(subMessage);
  offsetToLastSampleSN = subMessage.ReadU32();
  batchSampleCount = subMessage.ReadU32();
  if (inlineQos) qos = InlineQos::Read(subMessage);
  octetsToEncapsulation = subMessage.ReadU32();
  sampleInfoOffset = static_cast<uint16_t>(subMessage.Offset() - start);
  if (octetsToEncapsulation > subMessage.Remaining()) {
    subMessage.Fail("octetsToEncapsulation " + std::to_string(octetsToEncapsulation) +
                    " runs past the end of the sub-message (" +
                    std::to_string(subMessage.Remaining()) + " bytes left)");
  }
  subMessage.Skip(octetsToEncapsulation);
  encapsulationOffset = static_cast<uint16_t>(subMessage.Offset() - start);
  subMessage.Require(kEncapsulationHeaderSize);
  encapsulationId = subMessage.PeekU16At(subMessage.Offset(), ByteOrder::BIG_ENDIAN_ORDER);
  payloadBigEndian = RTPSDataSubMessageHeader::IsBigEndianEncapsulation(encapsulationId);
}

}  // namespace Quorvel::passive
