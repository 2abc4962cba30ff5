#pragma once

// Splits a DATA_BATCH into its samples. The sample information list runs from the batch
// header's sampleInfoOffset for octetsToEncapsulation bytes; each entry is
//   byte 1   flags: bit 0 adds 8 bytes (16 in all), bit 2 adds 8 more, bit 1 appends an inline
//            QoS list ending with PID_SENTINEL, bit 3 marks serialized data, bit 5 is kept
//   4-7      serialized length of the sample (batch byte order)
// The samples' data follow the shared encapsulation header one after another. Every entry
// and every sample is checked against the end of the sub-message before it is handed on.

#include "passive/RTPSDataBatchSubMessage.h"
#include "passive/RTPSUserDataMessage.h"

#include <memory>
#include <vector>

namespace Quorvel::passive {

struct DataBatchSampleFlags {
  static constexpr uint8_t kExtraEight = 0x01;
  static constexpr uint8_t kInlineQos = 0x02;
  static constexpr uint8_t kSecondExtraEight = 0x04;
  static constexpr uint8_t kSerializedData = 0x08;
  static constexpr uint8_t kRecorded = 0x20;
};

// One message per sample, each carrying the batch's sequence number. Throws WireError when the
// list or a sample's data runs past the sub-message.
std::vector<std::shared_ptr<RTPSUserDataMessage>> SplitDataBatch(
    const RTPSDataBatchSubMessage& batch);

}  // namespace Quorvel::passive
