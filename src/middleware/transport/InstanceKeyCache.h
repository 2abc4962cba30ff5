#pragma once

// The payload of the first sample of every instance a reader has seen, by instance handle, so
// that a dispose or unregister (no data, only the handle) can be reported with the instance's
// key members: Fast DDS cannot turn a handle back into key values. Grows with the instances
// (bounded by the reader's max_instances). Thread-safe.

#include "middleware/transport/SampleInfo.h"
#include "middleware/xtypes/DynamicType.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace Quorvel::xtypes {
class DynamicData;
}

namespace Quorvel::Transport {

class InstanceKeyCache {
public:
  explicit InstanceKeyCache(xtypes::DynamicTypePtr type) : type(std::move(type)) {}

  // Remembers the payload unless the instance is known already.
  void Remember(const InstanceHandle& instance, const std::vector<std::uint8_t>& payload);
  bool Knows(const InstanceHandle& instance) const;
  // The remembered payload decoded; null for an unknown instance.
  std::optional<xtypes::DynamicData> KeyValues(const InstanceHandle& instance) const;
  std::size_t Size() const;

private:
  xtypes::DynamicTypePtr type;
  mutable std::mutex mutex;
  std::map<InstanceHandle, std::vector<std::uint8_t>> payloads;
};

}  // namespace Quorvel::Transport
