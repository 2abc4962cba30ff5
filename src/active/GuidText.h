#pragma once

// GUIDs and instance handles as the engine prints them: lowercase hexadecimal, two digits per
// byte, first byte first, without the "0x" that callers put in front.

#include "middleware/transport/SampleInfo.h"

#include <string>

namespace Quorvel {

std::string GuidText(const Transport::Guid& guid);

}  // namespace Quorvel
