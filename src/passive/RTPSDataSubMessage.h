#pragma once

#include "passive/RTPSDataSubMessageHeader.h"
#include "passive/RTPSMessage.h"
#include "passive/RTPSMessageHeader.h"

#include <cstddef>
#include <memory>

namespace Quorvel::passive {

// One DATA sub-message on its way to discovery or user-data processing. It shares the captured
// message (frame, IP and UDP headers, payload) and addresses its bytes by offset.
struct RTPSDataSubMessage {
  std::shared_ptr<const RTPSMessage> message;
  RTPSMessageHeader messageHeader;  // with the source timestamp current at this sub-message
  RTPSDataSubMessageHeader header;
  size_t subMessageOffset = 0;      // in the UDP payload

  // The GUID of the writer that sent it.
  WriterKey WriterGuid() const { return WriterKey::From(messageHeader.guidPrefix, header.writerId.value); }
};

}  // namespace Quorvel::passive
