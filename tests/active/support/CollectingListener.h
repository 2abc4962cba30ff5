#pragma once

// A listener that keeps everything the engine delivers, user data and discovery samples apart,
// each as JSON text and as a flat map, and lets a test wait until enough arrived.

#include <quorvel/EngineListener.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel::testing {

using Fields = std::map<std::string, std::string>;

class CollectingListener : public EngineListener {
 public:
  // Every event: both forms of user data and of discovery samples.
  static constexpr std::uint32_t kAllEvents = 1 | 4 | 16 | 32;

  void OnUserDataJson(const std::string& json) override;
  void OnUserDataMap(const Fields& fields) override;
  void OnDiscoveryDataJson(const std::string& json) override;
  void OnDiscoveryDataMap(const Fields& fields) override;

  std::vector<std::string> UserJson() const;
  std::vector<Fields> UserMaps() const;
  std::size_t UserMapCount() const;
  std::vector<std::string> DiscoveryJson() const;
  std::vector<Fields> DiscoveryMaps() const;

  // Waits until `done` holds for the user-data maps, or the time is up; returns `done`'s answer.
  bool WaitForUserData(const std::function<bool(const std::vector<Fields>&)>& done,
                       std::chrono::milliseconds limit);
  // Waits until `count` user samples arrived in both forms (JSON comes before the map).
  bool WaitForUserSamples(std::size_t count, std::chrono::milliseconds limit);

 private:
  mutable std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::string> userJson;
  std::vector<Fields> userMaps;
  std::vector<std::string> discoveryJson;
  std::vector<Fields> discoveryMaps;
};

// The value of `key`, or "<missing>".
const std::string& Field(const Fields& fields, const std::string& key);

}  // namespace Quorvel::testing
