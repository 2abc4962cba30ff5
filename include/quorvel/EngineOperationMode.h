#pragma once

#include <cstdint>

namespace Quorvel {

// Modes 0, 1 and 4 join a DDS domain (active); 2, 3 and 5 are served by the passive engine.
enum class EngineOperationMode : std::uint32_t {
  ACTIVE_STATIC_MONITORING = 0,
  ACTIVE_DYNAMIC_MONITORING = 1,
  PASSIVE_DYNAMIC_MONITORING = 2,
  RECORD_DISSECTION = 3,
  MESSAGE_INJECTION = 4,
  TYPE_INTROSPECTION = 5,
};

}  // namespace Quorvel
