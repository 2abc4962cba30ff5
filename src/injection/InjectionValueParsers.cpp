#include "injection/InjectionValueParsers.h"

#include "common/Log.h"
#include "ddsconfig/ValueConverters.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <type_traits>

namespace Quorvel::injection {

namespace {

// The width the input format reads each member type in before storing it.
template <typename T>
using ParsedAs = std::conditional_t<
    std::is_same_v<T, std::uint8_t>, std::int32_t,
    std::conditional_t<std::is_signed_v<T>, std::int64_t, std::uint64_t>>;

template <typename T, typename Wide>
T Narrow(Wide wide, const std::string& text, const std::string& fieldName) {
  const T stored = static_cast<T>(wide);
  if (static_cast<Wide>(stored) != wide) {
    VELTRANE_LOG(WARNING, "Value '" + text + "' of field '" + fieldName +
                              "' does not fit its member and is stored as " +
                              std::to_string(+stored));
  }
  return stored;
}

// strtod reads "nan"; the dissection writes it for NaN members, so it must come back in.
bool IsNanText(const std::string& text) {
  return text == "nan" || text == "-nan" || text == "NaN" || text == "NAN";
}

}  // namespace

template <typename T>
T InputToValue(const std::string& text, const std::string& fieldName) {
  if constexpr (std::is_same_v<T, char>) {
    return values::InputToChar(text, fieldName);
  } else if constexpr (std::is_floating_point_v<T>) {
    if (IsNanText(text)) return std::numeric_limits<T>::quiet_NaN();
    return values::InputToValue<T>(text, fieldName);
  } else {
    using Wide = ParsedAs<T>;
    const Wide wide = values::InputToValue<Wide>(text, fieldName);
    if constexpr (std::is_same_v<T, Wide>) {
      return wide;
    } else {
      return Narrow<T>(wide, text, fieldName);
    }
  }
}

template std::int8_t InputToValue<std::int8_t>(const std::string&, const std::string&);
template std::uint8_t InputToValue<std::uint8_t>(const std::string&, const std::string&);
template std::int16_t InputToValue<std::int16_t>(const std::string&, const std::string&);
template std::uint16_t InputToValue<std::uint16_t>(const std::string&, const std::string&);
template std::int32_t InputToValue<std::int32_t>(const std::string&, const std::string&);
template std::uint32_t InputToValue<std::uint32_t>(const std::string&, const std::string&);
template std::int64_t InputToValue<std::int64_t>(const std::string&, const std::string&);
template std::uint64_t InputToValue<std::uint64_t>(const std::string&, const std::string&);
template float InputToValue<float>(const std::string&, const std::string&);
template double InputToValue<double>(const std::string&, const std::string&);
template char InputToValue<char>(const std::string&, const std::string&);

bool InputToValueBool(const std::string& text, const std::string& fieldName) {
  return values::InputToValueBool(text, fieldName);
}

std::int32_t InputToEnumVal(const std::string& text, const std::string& fieldName,
                            const Column& column) {
  if (values::isInputEmpty(text, fieldName)) return 0;
  // The VALUE_AND_NAME output form, "(3) - RED": the value is what counts.
  std::string digits = text;
  const std::size_t open = text.find('(');
  const std::size_t close = text.find(')', open == std::string::npos ? 0 : open);
  if (open != std::string::npos && close != std::string::npos)
    digits = text.substr(open + 1, close - open - 1);
  std::int64_t value = 0;
  try {
    value = values::InputToValue<std::int64_t>(digits, fieldName);
  } catch (const std::exception&) {
    throw std::runtime_error("Error parsing value '" + text + "' for enum field '" + fieldName);
  }
  if (digits.empty() || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max() ||
      column.enumerators.find(static_cast<std::int32_t>(value)) == column.enumerators.end()) {
    throw std::runtime_error("Out of range value '" + text + "' was provided for enum field '" +
                             fieldName);
  }
  return static_cast<std::int32_t>(value);
}

std::string InputToString(const std::string& text, const std::string& fieldName,
                          std::uint32_t bound) {
  if (values::isInputEmpty(text, fieldName)) return std::string();
  if (bound != 0 && text.size() > bound) {
    throw std::runtime_error("Provided string value '" + text + "' on field '" + fieldName +
                             " is longer than its maximum '" + std::to_string(bound));
  }
  return text;
}

std::vector<std::uint16_t> WidenText(const std::string& text) {
  std::vector<std::uint16_t> units;
  units.reserve(text.size());
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  for (std::size_t i = 0; i < text.size();) {
    const std::uint8_t lead = byte(i);
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (lead < 0x80) {
      code = lead, length = 1;
    } else if ((lead & 0xE0) == 0xC0 && continuation(i + 1)) {
      code = ((lead & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu), length = 2;
    } else if ((lead & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
      code = ((lead & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
      length = 3;
    } else if ((lead & 0xF8) == 0xF0 && continuation(i + 1) && continuation(i + 2) &&
               continuation(i + 3)) {
      code = ((lead & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) |
             ((byte(i + 2) & 0x3Fu) << 6) | (byte(i + 3) & 0x3Fu);
      length = 4;
    } else {
      // Not UTF-8: every byte is one unit.
      units.assign(text.begin(), text.end());
      for (std::uint16_t& unit : units) unit &= 0xFF;
      return units;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      units.push_back(static_cast<std::uint16_t>(0xD800 | (code >> 10)));
      units.push_back(static_cast<std::uint16_t>(0xDC00 | (code & 0x3FF)));
    } else {
      units.push_back(static_cast<std::uint16_t>(code));
    }
    i += length;
  }
  return units;
}

void ValidateValue(const std::string& text, const std::string& fieldName, const Column&,
                   xtypes::TypeKind kind) {
  if (text.empty() && !xtypes::IsStringKind(kind))
    throw std::runtime_error("Invalid empty input ('') provided for field: " + fieldName);
}

}  // namespace Quorvel::injection
