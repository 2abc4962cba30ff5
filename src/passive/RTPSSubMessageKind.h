#pragma once

#include <cstdint>
#include <string>

namespace Quorvel::passive {

// Sub-message ids the parser acts on (DDSI-RTPS 2.5, 9.4.5.1.1, and RTI's batching ids).
enum class RTPSSubMessageKind : uint8_t {
  PAD = 0x01,
  INFO_TS = 0x09,
  DATA_SESSION = 0x14,
  DATA = 0x15,
  DATA_FRAG = 0x16,
  DATA_BATCH = 0x18,
};

// The name of a sub-message id for log lines; empty for ids the table does not know.
std::string RTPSSubMessageTypeToName(uint8_t id);

}  // namespace Quorvel::passive
