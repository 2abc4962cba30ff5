#pragma once

#include "passive/InlineQos.h"
#include "passive/RTPSIdentifiers.h"

#include <cstddef>
#include <cstdint>

namespace Quorvel::passive {

// One user sample: who wrote it, its sequence number and where its serialized payload lies.
// The payload is the 4-byte encapsulation header at `encapsulationOffset` followed by
// `dataLength` bytes at `dataOffset` (adjacent for a DATA, apart for a sample of a batch).
// Offsets count from the start of the UDP payload.
struct RTPSUserDataMessageHeader {
  WriterKey writerKey;
  EntityId readerId;
  EntityId writerId;
  SequenceNumber writerSN;
  bool bigEndian = false;
  bool inlineQos = false;
  bool dataPresent = false;
  bool keyPresent = false;
  InlineQos qos;
  uint16_t encapsulationId = 0;
  bool payloadBigEndian = false;
  size_t encapsulationOffset = 0;
  size_t dataOffset = 0;
  size_t dataLength = 0;
  uint8_t sampleInfoFlags = 0;  // a batch sample's information flags; 0 for a DATA

  // Encapsulation header plus data.
  size_t PayloadLength() const { return dataLength + 4; }
};

}  // namespace Quorvel::passive
