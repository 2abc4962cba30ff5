#pragma once

#include <cstdint>

namespace Quorvel::passive {

// Sub-message header flags (DDSI-RTPS 2.5, 9.4.5.1.2 and the DATA flags of 9.4.5.3).
struct SubMessageFlags {
  static constexpr uint8_t kEndianness = 0x01;
  static constexpr uint8_t kInlineQos = 0x02;  // DATA, DATA_BATCH; INFO_TS: invalidate
  static constexpr uint8_t kData = 0x04;
  static constexpr uint8_t kKey = 0x08;
};

}  // namespace Quorvel::passive
