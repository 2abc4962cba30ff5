#include "engine/core/OperationModes.h"

#include <array>

namespace Quorvel {

std::string OperationModeName(EngineOperationMode mode) {
  static constexpr std::array<const char*, 6> kNames = {
      "ACTIVE_STATIC_MONITORING", "ACTIVE_DYNAMIC_MONITORING", "PASSIVE_DYNAMIC_MONITORING",
      "RECORD_DISSECTION",        "MESSAGE_INJECTION",         "TYPE_INTROSPECTION"};
  const auto index = static_cast<std::size_t>(mode);
  return index < kNames.size() ? kNames[index] : std::string();
}

bool IsActiveMode(EngineOperationMode mode) {
  return mode == EngineOperationMode::ACTIVE_STATIC_MONITORING ||
         mode == EngineOperationMode::ACTIVE_DYNAMIC_MONITORING ||
         mode == EngineOperationMode::MESSAGE_INJECTION;
}

std::string EngineClassName(EngineOperationMode mode) {
  return IsActiveMode(mode) ? "ActiveEngine" : "PassiveEngine";
}

}  // namespace Quorvel
