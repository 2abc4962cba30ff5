#pragma once

// Walks an RTPS parameter list (DDSI-RTPS 2.5, 9.4.2.11): u16 id and u16 length in the
// reader's byte order, then the value, up to and including PID_SENTINEL. Each value is handed
// over as a reader cut to its length; a list that runs past its reader without a sentinel
// throws WireError, so a caller never reads beyond the sub-message.

#include "passive/WireReader.h"

#include <cstdint>
#include <functional>

namespace Quorvel::passive {

constexpr uint16_t kPidPad = 0x0000;
constexpr uint16_t kPidSentinel = 0x0001;

using ParameterVisitor = std::function<void(uint16_t pid, WireReader& value)>;

// Leaves `reader` after the sentinel. `visit` may be empty (the list is only skipped).
void WalkParameterList(WireReader& reader, const ParameterVisitor& visit);

}  // namespace Quorvel::passive
