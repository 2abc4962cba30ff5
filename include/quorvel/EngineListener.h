#pragma once

#include <quorvel/Export.h>

#include <cstdint>
#include <map>
#include <string>

namespace Quorvel {

// Bits of the event set given to Veltrane::BindListener / SetQueuedMessageKind.
enum class EngineListenerEventsOptions : std::uint32_t {
  USER_DATA_JSON = 1,
  USER_DATA_AVAILABLE_NOTIFICATION = 2,
  DISCOVERY_DATA_JSON = 4,
  DISCOVERY_DATA_AVAILABLE_NOTIFICATION = 8,
  USER_DATA_MAP = 16,
  DISCOVERY_DATA_MAP = 32,
};

// Implemented by the application; the engine never owns it. Callbacks run on engine worker
// threads, one at a time, and must not bind or unbind listeners.
class VELTRANE_API EngineListener {
 public:
  virtual ~EngineListener();
  virtual void OnUserDataJson(const std::string& json);
  virtual void OnUserDataMap(const std::map<std::string, std::string>& fields);
  virtual void OnUserDataAvailableNotification();
  virtual void OnDiscoveryDataJson(const std::string& json);
  virtual void OnDiscoveryDataMap(const std::map<std::string, std::string>& fields);
  virtual void OnDiscoveryDataAvailableNotification();
};

}  // namespace Quorvel
