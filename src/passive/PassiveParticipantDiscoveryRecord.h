#pragma once

#include "passive/PassiveDiscoveryRecord.h"

#include <cstdint>
#include <string>

namespace Quorvel::passive {

// A participant as its Data(p) announced it; fields not announced keep their defaults.
struct PassiveParticipantDiscoveryRecord : PassiveDiscoveryRecord {
  PassiveParticipantDiscoveryRecord() : PassiveDiscoveryRecord("PassiveParticipantDiscoveryRecord") {}

  uint32_t domainId = 0;
  std::string guidText;  // 32 hexadecimal digits, no prefix
  uint8_t protocolMajor = 0;
  uint8_t protocolMinor = 0;
  std::string protocolVersion;  // major + "." + minor
  std::string productVersion;
  std::string participantName;
};

}  // namespace Quorvel::passive
