#pragma once

#include <quorvel/EngineOperationMode.h>

#include <string>

namespace Quorvel {

// "ACTIVE_STATIC_MONITORING" ...; empty for a value outside the enumeration.
std::string OperationModeName(EngineOperationMode mode);

// Modes 0, 1 and 4 create a DDS participant.
bool IsActiveMode(EngineOperationMode mode);

// The engine class that serves the mode: "ActiveEngine" or "PassiveEngine".
std::string EngineClassName(EngineOperationMode mode);

}  // namespace Quorvel
