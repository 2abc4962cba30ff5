#pragma once

#include "passive/InlineQos.h"
#include "passive/RTPSIdentifiers.h"

#include <cstddef>
#include <cstdint>

namespace Quorvel::passive {

class WireReader;

// The header of one DATA_FRAG sub-message (DDSI-RTPS 2.5, 8.3.7.3 and 9.4.5.4) and where its
// fragment bytes lie. Offsets are absolute in the UDP payload, like the reader's.
struct RTPSDataFragSubMessageHeader {
  bool bigEndian = false;   // E flag clear
  bool inlineQos = false;   // Q
  bool keyPresent = false;  // K: the fragments make up a serialized key, not data
  EntityId readerId;
  EntityId writerId;
  SequenceNumber writerSN;
  uint32_t fragmentStartingNum = 0;    // 1-based
  uint16_t fragmentsInSubmessage = 0;
  uint16_t fragmentSize = 0;
  uint32_t sampleSize = 0;
  InlineQos qos;
  size_t fragmentDataOffset = 0;    // first byte of fragment fragmentStartingNum
  size_t fragmentDataAvailable = 0; // bytes from there to the end of the sub-message

  // `subMessage` covers exactly this sub-message, with its byte order set from the E flag.
  // Throws WireError when a field or the inline QoS does not fit. The fragment numbers are not
  // checked against the sample here: that is the reassembler's job, which drops the sample.
  void Init(WireReader subMessage);

  // Bytes the fragments of this sub-message carry: all of them full-size, except the last
  // fragment of the sample, which holds what is left. 0 when the numbers make no sense.
  size_t FragmentBytes() const;
  // Fragments the whole sample is cut into; 0 when fragmentSize is 0.
  uint32_t TotalFragments() const;
};

}  // namespace Quorvel::passive
