#pragma once

// Included first by every transport header that includes Fast DDS: Fast DDS defines CDR_BE and
// CDR_LE as macros, which would break our codec's enumerators of the same names if its header
// came later in a translation unit.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/Encapsulation.h"
