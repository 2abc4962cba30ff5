#pragma once

// The one Fast DDS topic data type of every reader and writer: a complete serialized payload
// (encapsulation header and body) under the DDS type name, copied whole in both directions so
// that any vendor's encoding passes untouched. Keyed types compute the real instance key hash
// with our codec: peers such as Cyclone send no inline key hash, and a wrong one would make
// every sample a new instance. Private to the transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicType.h"

#include <fastdds/dds/topic/TopicDataType.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel::Transport {

class KeyHasher;

// The instance of keyed samples whose key cannot be worked out: a dispose or unregister that
// carries neither a key hash Fast DDS keeps nor a payload (Cyclone's serialized keys longer
// than 16 bytes), or a payload that does not decode. Fast DDS 2.9 aborts on an assertion when
// getKey fails, so such samples all go to this one instance instead.
inline constexpr std::array<std::uint8_t, 16> kUnknownInstance = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                                                  0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

// The sample object Fast DDS creates, reads into and writes from.
struct SerializedPayload {
  // Filled when reading.
  std::vector<std::uint8_t> bytes;
  // When writing: the caller's bytes, not copied (bytes stays empty).
  const std::uint8_t* view = nullptr;
  std::size_t viewSize = 0;
  // When writing: the hash the caller computed, so it is not decoded again.
  std::optional<cdr::KeyHash> keyHash;

  const std::uint8_t* Data() const { return view ? view : bytes.data(); }
  std::size_t Size() const { return view ? viewSize : bytes.size(); }
};

class GenericPayloadType final : public eprosima::fastdds::dds::TopicDataType {
public:
  GenericPayloadType(const std::string& typeName, xtypes::DynamicTypePtr type);
  ~GenericPayloadType() override;

  bool serialize(void* data, eprosima::fastrtps::rtps::SerializedPayload_t* payload) override;
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t* payload, void* data) override;
  std::function<uint32_t()> getSerializedSizeProvider(void* data) override;
  void* createData() override;
  void deleteData(void* data) override;
  bool getKey(void* data, eprosima::fastrtps::rtps::InstanceHandle_t* handle, bool forceMd5 = false) override;

  const xtypes::DynamicTypePtr& Type() const { return type; }
  bool Keyed() const { return hasher != nullptr; }
  // Null for unkeyed types.
  const std::shared_ptr<KeyHasher>& Hasher() const { return hasher; }

private:
  xtypes::DynamicTypePtr type;
  std::shared_ptr<KeyHasher> hasher;  // null for unkeyed types; shared with the writers
};

}  // namespace Quorvel::Transport
