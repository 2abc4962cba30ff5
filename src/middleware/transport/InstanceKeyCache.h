#pragma once

// The payload of the first sample of every instance a reader has seen, by instance handle, so
// that a dispose or unregister (no data, only the handle) can be reported with the instance's
// key members: Fast DDS cannot turn a handle back into key values. Grows with the instances
// (bounded by the reader's max_instances). Thread-safe.
//
// Fast DDS 2.9 takes the serialized key of a key-only DATA (a Cyclone dispose or unregister),
// when it fits 16 bytes with its encapsulation header, as the instance handle itself, in place
// of the key hash. Such a handle is decoded as the type's key and found by its real hash.

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
  explicit InstanceKeyCache(xtypes::DynamicTypePtr type);

  // Remembers the payload unless the instance is known already.
  void Remember(const InstanceHandle& instance, const std::vector<std::uint8_t>& payload);
  bool Knows(const InstanceHandle& instance) const;
  // The remembered payload decoded; null for an unknown instance. `instance` may also be a
  // serialized key in place of a handle (see above).
  std::optional<xtypes::DynamicData> KeyValues(const InstanceHandle& instance) const;
  std::size_t Size() const;

private:
  // The key hash of the key that `handle` holds serialized, if it holds one.
  std::optional<InstanceHandle> HashOfSerializedKey(const InstanceHandle& handle) const;

  xtypes::DynamicTypePtr type;
  xtypes::DynamicTypePtr keyType;  // null for unkeyed types
  mutable std::mutex mutex;
  std::map<InstanceHandle, std::vector<std::uint8_t>> payloads;
};

}  // namespace Quorvel::Transport
