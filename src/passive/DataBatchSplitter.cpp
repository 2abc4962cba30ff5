#include "passive/DataBatchSplitter.h"

#include "passive/InlineQos.h"
#include "passive/WireReader.h"

#include <string>

namespace Quorvel::passive {

namespace {

constexpr size_t kEntrySize = 8;
constexpr size_t kExtraSize = 8;
constexpr size_t kEncapsulationHeaderSize = 4;

std::shared_ptr<RTPSUserDataMessage> SampleOf(const RTPSDataBatchSubMessage& batch) {
  const RTPSDataBatchSubMessageHeader& source = batch.header;
  auto sample = RTPSUserDataMessage::Carried(batch.message, batch.messageHeader,
                                             batch.subMessageOffset, source.writerId.value);
  RTPSUserDataMessageHeader& header = sample->header;
  header.readerId = source.readerId;
  header.writerId = source.writerId;
  header.writerSN = source.batchSN;
  header.bigEndian = source.bigEndian;
  header.encapsulationId = source.encapsulationId;
  header.payloadBigEndian = source.payloadBigEndian;
  header.encapsulationOffset = batch.subMessageOffset + source.encapsulationOffset;
  return sample;
}

}  // namespace

std::vector<std::shared_ptr<RTPSUserDataMessage>> SplitDataBatch(
    const RTPSDataBatchSubMessage& batch) {
  const RTPSDataBatchSubMessageHeader& header = batch.header;
  const std::vector<uint8_t>& payload = *batch.message->payload;
  const size_t subMessageEnd = batch.subMessageOffset + 4 + header.octetsToNextHeader;
  if (subMessageEnd > payload.size()) {
    throw WireError("DATA_BATCH ends past its message");
  }
  const ByteOrder order =
      header.bigEndian ? ByteOrder::BIG_ENDIAN_ORDER : ByteOrder::LITTLE_ENDIAN_ORDER;
  WireReader subMessage(std::span<const uint8_t>(payload.data(), subMessageEnd), order);
  subMessage.Seek(batch.subMessageOffset + header.sampleInfoOffset);
  WireReader infos = subMessage.Cut(header.octetsToEncapsulation);
  subMessage.Seek(batch.subMessageOffset + header.encapsulationOffset + kEncapsulationHeaderSize);

  std::vector<std::shared_ptr<RTPSUserDataMessage>> samples;
  while (infos.Remaining() > 0) {
    const size_t entryStart = infos.Offset();
    infos.Require(kEntrySize);
    const uint8_t flags = infos.PeekU8At(entryStart + 1);
    const uint32_t length = infos.PeekU32At(entryStart + 4, order);
    infos.Skip(kEntrySize);
    if (flags & DataBatchSampleFlags::kExtraEight) infos.Skip(kExtraSize);
    if (flags & DataBatchSampleFlags::kSecondExtraEight) infos.Skip(kExtraSize);
    auto sample = SampleOf(batch);
    if (flags & DataBatchSampleFlags::kInlineQos) {
      sample->header.inlineQos = true;
      sample->header.qos = InlineQos::Read(infos);
    }
    if (length > subMessage.Remaining()) {
      subMessage.Fail("sample " + std::to_string(samples.size()) + " of " +
                      std::to_string(length) + " bytes runs past the DATA_BATCH (" +
                      std::to_string(subMessage.Remaining()) + " bytes left)");
    }
    sample->header.dataPresent = (flags & DataBatchSampleFlags::kSerializedData) != 0;
    sample->header.sampleInfoFlags = flags;
    sample->header.dataOffset = subMessage.Offset();
    sample->header.dataLength = length;
    subMessage.Skip(length);
    samples.push_back(std::move(sample));
  }
  return samples;
}

}  // namespace Quorvel::passive
