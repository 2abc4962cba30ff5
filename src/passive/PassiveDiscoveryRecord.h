#pragma once

#include <string>
#include <utility>

namespace Quorvel::passive {

// What every overheard discovery announcement keeps: which kind of record it is and where it
// came from.
struct PassiveDiscoveryRecord {
  explicit PassiveDiscoveryRecord(std::string kind) : kindName(std::move(kind)) {}
  virtual ~PassiveDiscoveryRecord() = default;

  std::string kindName;
  std::string sourceAddress = "0.0.0.0";
};

}  // namespace Quorvel::passive
