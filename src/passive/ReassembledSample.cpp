#include "passive/ReassembledSample.h"

#include "passive/RTPSDataSubMessage.h"
#include "passive/RTPSMessage.h"

namespace Quorvel::passive {

std::shared_ptr<RTPSDataSubMessage> ToDataSubMessage(ReassembledSample sample,
                                                     const RTPSMessage& completing,
                                                     const RTPSMessageHeader& messageHeader) {
  auto joined = std::make_shared<RTPSMessage>();
  joined->packetHeader = completing.packetHeader;
  joined->ipHeader = completing.ipHeader;
  joined->udpHeader = completing.udpHeader;
  const uint32_t payloadLength = static_cast<uint32_t>(sample.payload.size());
  joined->payload = std::make_shared<const std::vector<uint8_t>>(std::move(sample.payload));

  auto data = std::make_shared<RTPSDataSubMessage>();
  data->message = std::move(joined);
  data->messageHeader = messageHeader;
  data->subMessageOffset = 0;
  RTPSDataSubMessageHeader& header = data->header;
  header.bigEndian = sample.header.bigEndian;
  header.inlineQos = sample.inlineQos;
  header.dataPresent = !sample.header.keyPresent;
  header.keyPresent = sample.header.keyPresent;
  header.readerId = sample.header.readerId;
  header.writerId = sample.header.writerId;
  header.writerSN = sample.header.writerSN;
  header.qos = sample.qos;
  header.payloadOffset = 0;
  header.payloadLength = payloadLength;
  // The reassembler refuses samples too short for their encapsulation header.
  const std::vector<uint8_t>& bytes = *data->message->payload;
  header.encapsulationId = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  header.payloadBigEndian = RTPSDataSubMessageHeader::IsBigEndianEncapsulation(header.encapsulationId);
  return data;
}

}  // namespace Quorvel::passive
