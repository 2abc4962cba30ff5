#include "middleware/transport/GenericPayloadType.h"

#include "common/Log.h"
#include "middleware/transport/KeyHasher.h"

#include <fastdds/rtps/common/SerializedPayload.h>

#include <algorithm>
#include <cstring>
#include <exception>

namespace Quorvel::Transport {
namespace {

using eprosima::fastrtps::rtps::SerializedPayload_t;

// A starting size for Fast DDS's payload pools; they grow on demand.
constexpr uint32_t kTypicalPayloadSize = 1024;

SerializedPayload& AsPayload(void* data) { return *static_cast<SerializedPayload*>(data); }

}  // namespace

GenericPayloadType::GenericPayloadType(const std::string& typeName, xtypes::DynamicTypePtr dynamicType)
    : type(std::move(dynamicType)) {
  setName(typeName.c_str());
  m_typeSize = kTypicalPayloadSize;
  const bool keyed = type && type->Resolve().kind() == xtypes::TypeKind::STRUCTURE && type->Resolve().HasKey();
  m_isGetKeyDefined = keyed;
  if (keyed) hasher = std::make_shared<KeyHasher>(type);
  // Peers learn the type by its name; Fast DDS has no type object of our types.
  auto_fill_type_object(false);
  auto_fill_type_information(false);
}

GenericPayloadType::~GenericPayloadType() = default;

bool GenericPayloadType::serialize(void* data, SerializedPayload_t* payload) {
  const SerializedPayload& sample = AsPayload(data);
  const std::size_t size = sample.Size();
  if (size < 4 || size > payload->max_size) return false;
  std::memcpy(payload->data, sample.Data(), size);
  payload->length = static_cast<uint32_t>(size);
  // The second byte of the representation identifier holds the byte order (1: little endian).
  payload->encapsulation = (sample.Data()[1] & 1) ? CDR_LE : CDR_BE;
  return true;
}

bool GenericPayloadType::deserialize(SerializedPayload_t* payload, void* data) {
  SerializedPayload& sample = AsPayload(data);
  sample.view = nullptr;
  sample.viewSize = 0;
  sample.keyHash.reset();
  sample.bytes.assign(payload->data, payload->data + payload->length);
  return true;
}

std::function<uint32_t()> GenericPayloadType::getSerializedSizeProvider(void* data) {
  const auto size = static_cast<uint32_t>(AsPayload(data).Size());
  return [size] { return size; };
}

void* GenericPayloadType::createData() { return std::make_unique<SerializedPayload>().release(); }

void GenericPayloadType::deleteData(void* data) {
  std::unique_ptr<SerializedPayload> owned(static_cast<SerializedPayload*>(data));
}

bool GenericPayloadType::getKey(void* data, eprosima::fastrtps::rtps::InstanceHandle_t* handle, bool) {
  if (!hasher) return false;
  const SerializedPayload& sample = AsPayload(data);
  auto* value = static_cast<eprosima::fastrtps::rtps::octet*>(handle->value);
  try {
    if (sample.Size() == 0 && !sample.keyHash) {
      LogDebug("A " + std::string(getName()) + " dispose or unregister without a usable key: unknown instance");
    } else {
      const cdr::KeyHash hash = sample.keyHash ? *sample.keyHash : hasher->Hash(sample.Data(), sample.Size());
      std::copy(hash.begin(), hash.end(), value);
      return true;
    }
  } catch (const std::exception& error) {
    LogWarning("Key hash of a " + std::string(getName()) + " sample failed: " + error.what());
  }
  std::copy(kUnknownInstance.begin(), kUnknownInstance.end(), value);
  return true;
}

}  // namespace Quorvel::Transport
