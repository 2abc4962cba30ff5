#include "middleware/transport/InstanceKeyCache.h"

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/Encapsulation.h"
#include "middleware/transport/KeyOnlyType.h"
#include "middleware/xtypes/DynamicData.h"

#include <exception>

namespace Quorvel::Transport {

InstanceKeyCache::InstanceKeyCache(xtypes::DynamicTypePtr readerType)
    : type(std::move(readerType)), keyType(type ? KeyOnlyType(*type) : nullptr) {}

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
    if (found == payloads.end()) {
      const std::optional<InstanceHandle> hash = HashOfSerializedKey(instance);
      if (hash) found = payloads.find(*hash);
    }
    if (found == payloads.end()) return std::nullopt;
    payload = found->second;
  }
  xtypes::DynamicData sample(type);
  cdr::from_cdr_buffer(sample, payload);
  return sample;
}

std::optional<InstanceHandle> InstanceKeyCache::HashOfSerializedKey(const InstanceHandle& handle) const {
  if (!keyType) return std::nullopt;
  // A serialized key starts with its encapsulation identifier (DDSI-RTPS 2.5, 10.5).
  if (!cdr::DescribeEncapsulation(static_cast<std::uint16_t>(handle[0] << 8 | handle[1]))) return std::nullopt;
  try {
    xtypes::DynamicData key(keyType);
    const cdr::Encapsulation encapsulation = cdr::from_cdr_buffer(key, handle.data(), handle.size());
    return cdr::compute_key_hash(key, encapsulation.version);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::size_t InstanceKeyCache::Size() const {
  std::lock_guard<std::mutex> guard(mutex);
  return payloads.size();
}

}  // namespace Quorvel::Transport
