#include "injection/DirectValueStore.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>

namespace Quorvel::injection {

namespace {

using nlohmann::ordered_json;
using xtypes::Shape;
using xtypes::TypeKind;

// The value as a T when it is a JSON value of T's sort that T holds exactly.
template <typename T>
std::optional<T> Fitting(const ordered_json& value) {
  // get_ptr is one type check; get<> would go through the library's conversion dispatch.
  if constexpr (std::is_same_v<T, bool>) {
    if (const auto* b = value.get_ptr<const ordered_json::boolean_t*>()) return *b;
    return std::nullopt;
  } else if constexpr (std::is_same_v<T, double>) {
    if (const auto* d = value.get_ptr<const ordered_json::number_float_t*>()) return *d;
    return std::nullopt;
  } else {
    if (const auto* u = value.get_ptr<const ordered_json::number_unsigned_t*>()) {
      if (*u > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) return std::nullopt;
      return static_cast<T>(*u);
    }
    if (const auto* i = value.get_ptr<const ordered_json::number_integer_t*>()) {
      const std::int64_t v = *i;
      if constexpr (std::is_unsigned_v<T>) {
        if (v < 0 || static_cast<std::uint64_t>(v) > std::numeric_limits<T>::max()) return std::nullopt;
      } else {
        if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) return std::nullopt;
      }
      return static_cast<T>(v);
    }
    return std::nullopt;
  }
}

template <typename T>
bool StoreMember(xtypes::DynamicDataRef data, std::uint32_t index, const ordered_json& value) {
  const std::optional<T> fitting = Fitting<T>(value);
  if (fitting) data.value<T>(index, *fitting);
  return fitting.has_value();
}

template <typename T>
std::size_t StoreRun(std::byte* first, std::size_t stride, const ordered_json* values, std::size_t count) {
  std::size_t k = 0;
  for (; k < count; ++k) {
    const std::optional<T> fitting = Fitting<T>(values[k]);
    if (!fitting) break;
    std::memcpy(first + k * stride, &*fitting, sizeof(T));
  }
  return k;
}

// Calls `store.template operator()<T>()` with the C++ type of `kind` and the element shape it
// is kept in, or gives `otherwise` for kinds without a quick way.
template <typename Result, typename Store>
Result ByKind(TypeKind kind, Result otherwise, Store&& store) {
  switch (kind) {
    case TypeKind::BOOLEAN: return store.template operator()<bool>(Shape::BOOLEAN);
    case TypeKind::BYTE: return store.template operator()<std::uint8_t>(Shape::BYTE);
    case TypeKind::INT8: return store.template operator()<std::int8_t>(Shape::INT8);
    case TypeKind::INT16: return store.template operator()<std::int16_t>(Shape::INT16);
    case TypeKind::UINT16: return store.template operator()<std::uint16_t>(Shape::UINT16);
    case TypeKind::INT32: return store.template operator()<std::int32_t>(Shape::INT32);
    case TypeKind::UINT32: return store.template operator()<std::uint32_t>(Shape::UINT32);
    case TypeKind::INT64: return store.template operator()<std::int64_t>(Shape::INT64);
    case TypeKind::UINT64: return store.template operator()<std::uint64_t>(Shape::UINT64);
    case TypeKind::FLOAT64: return store.template operator()<double>(Shape::FLOAT64);
    default: return otherwise;
  }
}

}  // namespace

bool StoreDirectly(xtypes::DynamicDataRef data, std::uint32_t index, TypeKind kind, const ordered_json& value) {
  return ByKind(kind, false, [&]<typename T>(Shape) { return StoreMember<T>(data, index, value); });
}

namespace {

// Where the `count` elements of the sequence or array `collection` are kept, one after the
// other: null when it holds fewer.
struct ElementBlock {
  std::byte* first = nullptr;
  const xtypes::DataLayout* element = nullptr;
};

ElementBlock BlockOf(xtypes::DynamicDataRef collection, std::size_t count) {
  const xtypes::DataLayout& layout = collection.layout();
  ElementBlock block{nullptr, layout.element};
  std::size_t capacity = 0;
  if (layout.shape == Shape::SEQUENCE) {
    const auto& slot = xtypes::SlotAs<xtypes::SequenceSlot>(collection.storage());
    block.first = slot.data();
    capacity = slot.length();
  } else if (layout.shape == Shape::ARRAY) {
    block.first = collection.storage();
    capacity = layout.count;
  }
  if (block.element == nullptr || count > capacity) block.first = nullptr;
  return block;
}

// Calls `store.template operator()<T>(block)` when the elements of `kind` are kept exactly as
// its C++ type T (an enumeration is not an int32 here); 0 otherwise.
template <typename Store>
std::size_t StoreInBlock(xtypes::DynamicDataRef collection, TypeKind kind, std::size_t count, Store&& store) {
  const ElementBlock block = BlockOf(collection, count);
  if (block.first == nullptr) return 0;
  return ByKind(kind, std::size_t{0}, [&]<typename T>(Shape shape) -> std::size_t {
    if (block.element->shape != shape || block.element->size != sizeof(T)) return 0;
    return store.template operator()<T>(block);
  });
}

}  // namespace

std::size_t StoreLeadingElements(xtypes::DynamicDataRef collection, TypeKind kind, const ordered_json* values,
                                 std::size_t count) {
  return StoreInBlock(collection, kind, count, [&]<typename T>(const ElementBlock& block) {
    return StoreRun<T>(block.first, block.element->size, values, count);
  });
}

std::size_t StoreLeadingBytes(xtypes::DynamicDataRef collection, TypeKind kind, const std::uint8_t* bytes,
                              std::size_t count) {
  return StoreInBlock(collection, kind, count, [&]<typename T>(const ElementBlock& block) -> std::size_t {
    // Booleans and floating point take numbers by their text, as the JSON values would.
    if constexpr (std::is_same_v<T, bool> || std::is_floating_point_v<T>) {
      return 0;
    } else if constexpr (sizeof(T) == 1 && std::is_unsigned_v<T>) {
      std::memcpy(block.first, bytes, count);
      return count;
    } else {
      // A number past a signed byte's range wraps, as its text does on the checked way.
      for (std::size_t k = 0; k < count; ++k) {
        const T value = static_cast<T>(bytes[k]);
        std::memcpy(block.first + k * block.element->size, &value, sizeof(T));
      }
      return count;
    }
  });
}

}  // namespace Quorvel::injection
