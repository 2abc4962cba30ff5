#pragma once

#include "passive/InlineQos.h"
#include "passive/RTPSIdentifiers.h"

#include <cstdint>

namespace Quorvel::passive {

class WireReader;

// The header of a DATA_BATCH or DATA_SESSION sub-message (RTI's batching, ids 0x18 and 0x14):
//   0  id, flags, octetsToNextHeader      16  batch sequence number
//   4  extra flags, octetsToInlineQos     24  first sample sequence number
//   8  readerId                           32  offset to the last sample sequence number
//  12  writerId                           36  batch sample count
//  40  inline QoS when Q, then octetsToEncapsulation (u32), the sample information list of
//      that many bytes, the encapsulation header of every sample, the samples' data.
// Offsets count from the first byte of the sub-message.
struct RTPSDataBatchSubMessageHeader {
  bool bigEndian = false;
  bool inlineQos = false;
  uint16_t octetsToNextHeader = 0;
  uint16_t octetsToInlineQos = 0;
  EntityId readerId;
  EntityId writerId;
  SequenceNumber batchSN;
  SequenceNumber firstSampleSN;
  uint32_t offsetToLastSampleSN = 0;
  uint32_t batchSampleCount = 0;
  InlineQos qos;
  uint32_t octetsToEncapsulation = 0;
  uint16_t sampleInfoOffset = 0;     // first byte of the sample information list
  uint16_t encapsulationOffset = 0;  // the encapsulation header shared by the samples
  uint16_t encapsulationId = 0;
  bool payloadBigEndian = false;

  // `subMessage` covers exactly this sub-message, with its byte order set from the E flag.
  // Throws WireError when a field, the inline QoS or the encapsulation header does not fit.
  void Init(WireReader subMessage);
};

}  // namespace Quorvel::passive
