#pragma once

// The inline QoS parameters that a DATA may carry and that later stages use: the key hash and
// the status info (disposed / unregistered). Other parameters are skipped.

#include <array>
#include <cstdint>
#include <optional>

namespace Quorvel::passive {

class WireReader;

struct InlineQos {
  static constexpr uint32_t kDisposed = 0x1;
  static constexpr uint32_t kUnregistered = 0x2;

  std::optional<std::array<uint8_t, 16>> keyHash;
  std::optional<uint32_t> statusInfo;
  uint32_t parameterCount = 0;  // every parameter before the sentinel, known or not

  // Walks the list at the cursor up to and including PID_SENTINEL.
  static InlineQos Read(WireReader& reader);
};

}  // namespace Quorvel::passive
