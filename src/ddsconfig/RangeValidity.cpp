#include "RangeValidity.h"

#include "DDSXmlMetadata.h"
#include "ValueConverters.h"
#include "common/Log.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <sstream>

namespace Quorvel::ddsconfig {

namespace {

using xtypes::TypeKind;

template <typename T>
T Convert(const std::string& text, const std::string& member) {
  if constexpr (std::is_same_v<T, bool>) {
    return values::InputToValueBool(text, member);
  } else if constexpr (std::is_same_v<T, char>) {
    return values::InputToChar(text, member);
  } else if constexpr (std::is_same_v<T, char16_t>) {
    return values::InputToWideChar(text, member);
  } else {
    return values::InputToValue<T>(text, member);
  }
}

// `Value` is the type the kind's values are compared in; character kinds compare by code.
template <typename Value>
bool Ordered(const DDSXmlMetadata& metadata, const std::string& member) {
  const auto bound = [&](const std::string& text, Value absent) {
    return text.empty() ? absent : Convert<Value>(text, member);
  };
  const Value min = bound(metadata.min, std::numeric_limits<Value>::lowest());
  const Value max = bound(metadata.max, std::numeric_limits<Value>::max());
  if (!(min <= max)) return false;
  if (metadata.defaultValue.empty()) return true;
  const Value value = Convert<Value>(metadata.defaultValue, member);
  return min <= value && value <= max;
}

using RangeCheck = bool (*)(const DDSXmlMetadata&, const std::string&);

RangeCheck RangeCheckOf(TypeKind kind, bool signedByte) {
  switch (kind) {
    case TypeKind::BOOLEAN: return &Ordered<bool>;
    case TypeKind::BYTE: return signedByte ? &Ordered<std::int8_t> : &Ordered<std::uint8_t>;
    case TypeKind::INT16: return &Ordered<std::int16_t>;
    case TypeKind::UINT16: return &Ordered<std::uint16_t>;
    case TypeKind::INT32: return &Ordered<std::int32_t>;
    case TypeKind::UINT32: return &Ordered<std::uint32_t>;
    case TypeKind::INT64: return &Ordered<std::int64_t>;
    case TypeKind::UINT64: return &Ordered<std::uint64_t>;
    case TypeKind::FLOAT32: return &Ordered<float>;
    case TypeKind::FLOAT64: return &Ordered<double>;
    case TypeKind::FLOAT128: return &Ordered<long double>;
    case TypeKind::CHAR8: return &Ordered<char>;
    case TypeKind::CHAR16: return &Ordered<char16_t>;
    default: return nullptr;
  }
}

}  // namespace

bool CheckRangesValidity(const DDSXmlMetadata& metadata, const std::string& member,
                         TypeKind kind, bool signedByte) {
  const RangeCheck check = RangeCheckOf(kind, signedByte);
  if (check == nullptr) {
    std::ostringstream hex;
    hex << std::hex << static_cast<std::uint32_t>(kind);
    LogError("CheckRangesValidity: " + member + " has type kind " +
             std::string(xtypes::TypeKindName(kind)) + " (0x" + hex.str() +
             "), which takes no min / max / default annotations");
    return false;
  }
  if (metadata.optional != 0 && !metadata.defaultValue.empty()) {
    LogError("default notation is not applicable of optional memebers");
    return false;
  }
  try {
    return check(metadata, member);
  } catch (const std::exception& e) {
    LogError(std::string("CheckRangesValidity: ") + e.what());
    return false;
  }
}

}  // namespace Quorvel::ddsconfig
