#pragma once

#include "passive/InlineQos.h"
#include "passive/RTPSDataFragSubMessageHeader.h"
#include "passive/RTPSIdentifiers.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Quorvel::passive {

struct RTPSDataSubMessage;
struct RTPSMessage;
struct RTPSMessageHeader;

// A sample joined from its DATA_FRAG fragments.
struct ReassembledSample {
  WriterKey writer;
  // The sub-message that completed the sample: ids, sequence number, byte order.
  RTPSDataFragSubMessageHeader header;
  // The inline QoS of whichever fragment carried one (writers put it on the first).
  bool inlineQos = false;
  InlineQos qos;
  std::vector<uint8_t> payload;  // the serialized payload, encapsulation header first
};

// The sample as the DATA sub-message it would have been unfragmented: a record over a message
// that carries the completing frame's packet, IP and UDP headers and the joined payload, with
// `messageHeader` (the source timestamp current at the completing sub-message).
std::shared_ptr<RTPSDataSubMessage> ToDataSubMessage(ReassembledSample sample,
                                                     const RTPSMessage& completing,
                                                     const RTPSMessageHeader& messageHeader);

}  // namespace Quorvel::passive
