#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace Quorvel::passive {

// What the DATA_FRAG reassembler may hold before it gives incomplete samples up. A sample
// takes its whole sampleSize from its first fragment on, so the byte caps bound memory.
struct FragmentLimits {
  size_t maxPendingBytesPerWriter = size_t{64} << 20;
  size_t maxPendingBytesTotal = size_t{256} << 20;
  // An incomplete sample this many sequence numbers behind its writer's newest complete one will
  // not complete any more: a reliable writer repairs within its history, a best-effort one never.
  uint64_t maxSequenceLag = 256;
  // Capture time since the sample's first fragment.
  std::chrono::microseconds maxAge{std::chrono::seconds(10)};
};

}  // namespace Quorvel::passive
