#pragma once

#include "passive/PassiveDiscoveryRecord.h"

#include <array>
#include <cstdint>
#include <string>

namespace Quorvel::passive {

// A writer or reader as its Data(w) / Data(r) announced it.
struct PassiveEndPointDiscoveryRecord : PassiveDiscoveryRecord {
  PassiveEndPointDiscoveryRecord() : PassiveDiscoveryRecord("PassiveEndPointDiscoveryRecord") {}

  std::string guidText;                 // 32 hexadecimal digits, no prefix
  std::array<uint32_t, 4> guidWords{};  // the writer-key words of the GUID
  std::string endpointName;             // topic name + "_DW" once parsed
  std::string topicName;
  std::string typeName;

  bool HasGuid() const { return !guidText.empty(); }
};

}  // namespace Quorvel::passive
