#include "middleware/transport/InstanceKeyCache.h"

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicData.h"

namespace Quorvel::Transport {

void InstanceKeyCache::Remember(const InstanceHandle& instance, const std::vector<std::uint8_t>& payload) {
  std::lock_guard<std::mutex> guard(mutex);
  payloads.try_emplace(instance, payload);
}

bool InstanceKeyCache::Knows(const InstanceHandle& instance) const {
  std::lock_guard<std::mutex> guard(mutex);
  return payloads.contains(instance);
}

std::optional<xtypes::DynamicData> InstanceKeyCache::KeyValues(const InstanceHandle& instance) const {
  std::vector<std::uint8_t> payload;
  {
    std::lock_guard<std::mutex> guard(mutex);
    auto found = payloads.find(instance);
    if (found == payloads.end()) return std::nullopt;
    payload = found->second;
  }
  xtypes::DynamicData sample(type);
  cdr::from_cdr_buffer(sample, payload);
  return sample;
}

std::size_t InstanceKeyCache::Size() const {
  std::lock_guard<std::mutex> guard(mutex);
  return payloads.size();
}

}  // namespace Quorvel::Transport
