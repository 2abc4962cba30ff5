#pragma once

#include "passive/InlineQos.h"
#include "passive/RTPSIdentifiers.h"

#include <cstdint>

namespace Quorvel::passive {

class WireReader;

// The header of one DATA sub-message (DDSI-RTPS 2.5, 9.4.5.3). Offsets count from the first
// byte of the sub-message.
struct RTPSDataSubMessageHeader {
  bool bigEndian = false;   // E flag clear
  bool inlineQos = false;   // Q
  bool dataPresent = false; // D
  bool keyPresent = false;  // K
  uint16_t octetsToNextHeader = 0;  // the body length actually used
  uint16_t octetsToInlineQos = 0;
  EntityId readerId;
  EntityId writerId;
  SequenceNumber writerSN;
  InlineQos qos;
  uint16_t encapsulationId = 0;
  bool payloadBigEndian = false;
  uint16_t payloadOffset = 0;  // to the encapsulation header
  // From the encapsulation header to the end of the sub-message. Wider than the sub-message
  // length field: a sample reassembled from DATA_FRAG continues as a DATA of its full size.
  uint32_t payloadLength = 0;

  // `subMessage` covers exactly this sub-message, with its byte order set from the E flag.
  // Throws WireError when a field, the inline QoS or the encapsulation header does not fit.
  void Init(WireReader subMessage);

  // The encapsulation kinds whose body is little-endian (CDR, PL_CDR, CDR2, D_CDR2, PL_CDR2).
  static bool IsBigEndianEncapsulation(uint16_t encapsulationId);
};

}  // namespace Quorvel::passive
