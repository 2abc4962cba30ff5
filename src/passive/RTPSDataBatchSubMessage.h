#pragma once

#include "passive/RTPSDataBatchSubMessageHeader.h"
#include "passive/RTPSMessage.h"
#include "passive/RTPSMessageHeader.h"

#include <cstddef>
#include <memory>

namespace Quorvel::passive {

// One DATA_BATCH (or DATA_SESSION) sub-message on its way to the batch processor.
struct RTPSDataBatchSubMessage {
  std::shared_ptr<const RTPSMessage> message;
  RTPSMessageHeader messageHeader;
  RTPSDataBatchSubMessageHeader header;
  size_t subMessageOffset = 0;

  WriterKey WriterGuid() const { return WriterKey::From(messageHeader.guidPrefix, header.writerId.value); }
};

}  // namespace Quorvel::passive
