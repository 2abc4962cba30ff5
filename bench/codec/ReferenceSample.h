#pragma once

// The reference workload of the codec benchmark: one sample of about 1 KB, a final structure
// of 40 members (a nested header, 32 primitives, two strings, two nested points, a sequence of
// 20 points, a union and a sequence of 30 longs), built as our DynamicType and filled.

#include "middleware/xtypes/DynamicType.h"

#include <cstdint>
#include <vector>

namespace Quorvel::xtypes {
class DynamicDataRef;
}

namespace Quorvel::bench {

inline constexpr uint32_t kWaypoints = 20;
inline constexpr uint32_t kIds = 30;

xtypes::DynamicTypePtr ReferenceType();
void FillReference(xtypes::DynamicDataRef sample);
// The filled reference sample serialized as XCDR1 little-endian (the benchmarks' payload).
std::vector<uint8_t> ReferencePayload();

}  // namespace Quorvel::bench
