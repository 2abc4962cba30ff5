#pragma once

#include "passive/IPFragment.h"

namespace Quorvel::passive {

// A datagram joined from its fragments has the shape of one fragment: the headers of its first
// piece and the whole IP payload, starting with the UDP header.
using IPCompleteMessage = IPFragment;

}  // namespace Quorvel::passive
