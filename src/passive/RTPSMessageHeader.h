#pragma once

#include "passive/RTPSIdentifiers.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Quorvel::passive {

class WireReader;

// The 20-byte header of one RTPS message (DDSI-RTPS 2.5, 9.4.4) and the state that sub-messages
// of the message share: the source timestamp of the last valid INFO_TS. Sub-message records
// carry a copy, so each keeps the timestamp current at its place in the message.
struct RTPSMessageHeader {
  static constexpr size_t kSize = 20;

  uint8_t protocolVersionMajor = 0;
  uint8_t protocolVersionMinor = 0;
  uint16_t vendorId = 0;
  std::string_view vendorName;  // from the static vendor table
  GuidPrefix guidPrefix{};
  int64_t sourceTimestampNs = 0;
  bool hasSourceTimestamp = false;
  uint16_t cursor = 0;

  // Reads the header from the start of `message` (the magic was checked by the capture) and
  // leaves the reader after it. False, after one log line, for messages to be discarded:
  // versions below 2 and NDDSPING probes. Throws WireError when fewer than 20 bytes are there.
  bool Init(WireReader& message);
  // Names vendorId from the vendor table; logs a warning for an unknown vendor.
  void DissectVendorID();
  // The GUID prefix as 24 lower-case hexadecimal digits. Built on demand: headers are copied
  // into every sub-message record, and a text member would cost an allocation per copy.
  std::string GuidPrefixText() const;
};

}  // namespace Quorvel::passive
