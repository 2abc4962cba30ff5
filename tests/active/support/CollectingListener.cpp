#include "active/support/CollectingListener.h"

namespace Quorvel::testing {

void CollectingListener::OnUserDataJson(const std::string& json) {
  std::lock_guard<std::mutex> guard(mutex);
  userJson.push_back(json);
  arrived.notify_all();
}

void CollectingListener::OnUserDataMap(const Fields& fields) {
  std::lock_guard<std::mutex> guard(mutex);
  userMaps.push_back(fields);
  arrived.notify_all();
}

void CollectingListener::OnDiscoveryDataJson(const std::string& json) {
  std::lock_guard<std::mutex> guard(mutex);
  discoveryJson.push_back(json);
}

void CollectingListener::OnDiscoveryDataMap(const Fields& fields) {
  std::lock_guard<std::mutex> guard(mutex);
  discoveryMaps.push_back(fields);
}

std::vector<std::string> CollectingListener::UserJson() const {
  std::lock_guard<std::mutex> guard(mutex);
  return userJson;
}

std::size_t CollectingListener::UserMapCount() const {
  std::lock_guard<std::mutex> guard(mutex);
  return userMaps.size();
}

std::vector<Fields> CollectingListener::UserMaps() const {
  std::lock_guard<std::mutex> guard(mutex);
  return userMaps;
}

std::vector<std::string> CollectingListener::DiscoveryJson() const {
  std::lock_guard<std::mutex> guard(mutex);
  return discoveryJson;
}

std::vector<Fields> CollectingListener::DiscoveryMaps() const {
  std::lock_guard<std::mutex> guard(mutex);
  return discoveryMaps;
}

bool CollectingListener::WaitForUserData(const std::function<bool(const std::vector<Fields>&)>& done,
                                         std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> guard(mutex);
  return arrived.wait_for(guard, limit, [&] { return done(userMaps); });
}

bool CollectingListener::WaitForUserSamples(std::size_t count, std::chrono::milliseconds limit) {
  return WaitForUserData([count](const std::vector<Fields>& maps) { return maps.size() >= count; },
                         limit);
}

const std::string& Field(const Fields& fields, const std::string& key) {
  static const std::string missing = "<missing>";
  const auto found = fields.find(key);
  return found == fields.end() ? missing : found->second;
}

}  // namespace Quorvel::testing
