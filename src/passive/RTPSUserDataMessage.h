#pragma once

#include "passive/RTPSMessage.h"
#include "passive/RTPSMessageHeader.h"
#include "passive/RTPSUserDataMessageHeader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace Quorvel::passive {

struct RTPSDataSubMessage;

// One user sample for the processor of its writer's type, from a DATA sub-message or from one
// sample of a DATA_BATCH. It shares the captured message.
struct RTPSUserDataMessage {
  std::shared_ptr<const RTPSMessage> message;
  RTPSMessageHeader messageHeader;
  RTPSUserDataMessageHeader header;
  size_t subMessageOffset = 0;
  // Its place in the delivery order of a recording (DeliverySequencer); none outside one.
  std::optional<uint64_t> deliveryTicket;

  // A record carrying `message` from the sub-message at `subMessageOffset`, with the writer's
  // key and GUID text set; the caller fills in the rest of the header.
  static std::shared_ptr<RTPSUserDataMessage> Carried(std::shared_ptr<const RTPSMessage> message,
                                                      const RTPSMessageHeader& messageHeader,
                                                      size_t subMessageOffset,
                                                      uint32_t writerEntityId);
  // The sample of one DATA sub-message.
  static std::shared_ptr<RTPSUserDataMessage> FromDataSubMessage(const RTPSDataSubMessage& data);
  // The serialized payload, encapsulation header first, as the codec reads it. Empty when the
  // sample carries no data.
  std::vector<uint8_t> CopySerializedPayload() const;
  // The same bytes without a copy where they lie together in the captured message (a DATA
  // sub-message); otherwise (a sample of a batch) copied into `scratch`.
  std::span<const uint8_t> SerializedPayload(std::vector<uint8_t>& scratch) const;
};

}  // namespace Quorvel::passive
