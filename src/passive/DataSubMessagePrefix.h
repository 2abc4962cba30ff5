#pragma once

#include "passive/RTPSIdentifiers.h"

#include <cstdint>

namespace Quorvel::passive {

class WireReader;

// The first 16 bytes that DATA, DATA_BATCH and DATA_SESSION share (DDSI-RTPS 2.5, 9.4.5.3):
// header and flags, extra flags, octetsToInlineQos, readerId, writerId.
struct DataSubMessagePrefix {
  uint8_t flags = 0;
  bool bigEndian = false;
  bool inlineQos = false;
  uint16_t octetsToNextHeader = 0;  // the body length actually used
  uint16_t octetsToInlineQos = 0;
  EntityId readerId;
  EntityId writerId;

  // Reads from the start of `subMessage` and leaves the cursor after writerId.
  static DataSubMessagePrefix Read(WireReader& subMessage);
};

}  // namespace Quorvel::passive
