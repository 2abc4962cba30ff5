#include "passive/RTPSUserDataMessage.h"

#include "passive/RTPSDataSubMessage.h"

namespace Quorvel::passive {

namespace {
constexpr size_t kEncapsulationHeaderSize = 4;
}

std::shared_ptr<RTPSUserDataMessage> RTPSUserDataMessage::Carried(
    std::shared_ptr<const RTPSMessage> message, const RTPSMessageHeader& messageHeader,
    size_t subMessageOffset, uint32_t writerEntityId) {
  auto user = std::make_shared<RTPSUserDataMessage>();
  user->message = std::move(message);
  user->messageHeader = messageHeader;
  user->subMessageOffset = subMessageOffset;
  user->header.writerKey = WriterKey::From(messageHeader.guidPrefix, writerEntityId);
  return user;
}

std::shared_ptr<RTPSUserDataMessage> RTPSUserDataMessage::FromDataSubMessage(
    const RTPSDataSubMessage& data) {
  const RTPSDataSubMessageHeader& source = data.header;
  auto user = Carried(data.message, data.messageHeader, data.subMessageOffset,
                      source.writerId.value);
  RTPSUserDataMessageHeader& header = user->header;
  header.readerId = source.readerId;
  header.writerId = source.writerId;
  header.writerSN = source.writerSN;
  header.bigEndian = source.bigEndian;
  header.inlineQos = source.inlineQos;
  header.dataPresent = source.dataPresent;
  header.keyPresent = source.keyPresent;
  header.qos = source.qos;
  header.encapsulationId = source.encapsulationId;
  header.payloadBigEndian = source.payloadBigEndian;
  header.encapsulationOffset = data.subMessageOffset + source.payloadOffset;
  header.dataOffset = header.encapsulationOffset + kEncapsulationHeaderSize;
  // Header Init checked that a D or K payload holds its encapsulation header.
  header.dataLength = (source.dataPresent || source.keyPresent)
                          ? source.payloadLength - kEncapsulationHeaderSize
                          : 0;
  return user;
}

std::vector<uint8_t> RTPSUserDataMessage::CopySerializedPayload() const {
  if (!header.dataPresent && !header.keyPresent) return {};
  const std::vector<uint8_t>& bytes = *message->payload;
  std::vector<uint8_t> payload;
  payload.reserve(header.PayloadLength());
  const auto encapsulation = bytes.begin() + static_cast<std::ptrdiff_t>(header.encapsulationOffset);
  payload.insert(payload.end(), encapsulation, encapsulation + kEncapsulationHeaderSize);
  const auto data = bytes.begin() + static_cast<std::ptrdiff_t>(header.dataOffset);
  payload.insert(payload.end(), data, data + static_cast<std::ptrdiff_t>(header.dataLength));
  return payload;
}

std::span<const uint8_t> RTPSUserDataMessage::SerializedPayload(
    std::vector<uint8_t>& scratch) const {
  if (!header.dataPresent && !header.keyPresent) return {};
  if (header.dataOffset == header.encapsulationOffset + kEncapsulationHeaderSize) {
    return std::span<const uint8_t>(*message->payload)
        .subspan(header.encapsulationOffset, header.PayloadLength());
  }
  scratch = CopySerializedPayload();
  return scratch;
}

}  // namespace Quorvel::passive
