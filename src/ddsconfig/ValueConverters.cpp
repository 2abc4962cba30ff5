#include "ValueConverters.h"

#include "common/Log.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace Quorvel::values {

namespace {

[[noreturn]] void Erroneous(const std::string& text, const std::string& fieldName,
                            const std::string& why) {
  throw std::runtime_error("Erroneous value '" + text + "' provided for field '" + fieldName +
                           "' Error = " + why);
}

// from_chars refuses a leading '+', which people write in ranges ("+10").
std::string_view Digits(const std::string& text) {
  std::string_view view(text);
  if (view.size() > 1 && view.front() == '+' && view[1] != '-') view.remove_prefix(1);
  return view;
}

// Decimal, or hexadecimal with "0x" (enumerator values and masks are often written so).
template <typename Wide>
auto ReadInteger(std::string_view digits) {
  struct Result {
    Wide value{};
    const char* end;
    std::errc error;
  };
  const bool negative = !digits.empty() && digits.front() == '-';
  const std::string_view magnitude = negative ? digits.substr(1) : digits;
  if (magnitude.size() > 2 && magnitude[0] == '0' && (magnitude[1] == 'x' || magnitude[1] == 'X')) {
    std::make_unsigned_t<Wide> unsignedValue{};
    const auto [end, error] = std::from_chars(magnitude.data() + 2,
                                              magnitude.data() + magnitude.size(), unsignedValue, 16);
    Result result{static_cast<Wide>(unsignedValue), end, error};
    const auto limit = static_cast<std::make_unsigned_t<Wide>>(std::numeric_limits<Wide>::max());
    if (error == std::errc() && (negative ? !std::is_signed_v<Wide> || unsignedValue > limit + 1u
                                          : unsignedValue > limit))
      result.error = std::errc::result_out_of_range;
    if (negative && result.error == std::errc()) result.value = static_cast<Wide>(0 - unsignedValue);
    return result;
  }
  Wide value{};
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return Result{value, end, error};
}

template <typename T>
T ParseInteger(const std::string& text, const std::string& fieldName) {
  // Parse in the widest type of the same signedness, then narrow, so that the message tells
  // "out of range" apart from "not a number".
  using Wide = std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>;
  const std::string_view digits = Digits(text);
  const auto [wide, end, error] = ReadInteger<Wide>(digits);
  const bool negativeUnsigned = !std::is_signed_v<T> && digits.size() > 1 && digits[0] == '-' &&
                                std::isdigit(static_cast<unsigned char>(digits[1]));
  if (negativeUnsigned || error == std::errc::result_out_of_range ||
      (error == std::errc() && end == digits.data() + digits.size() &&
       (wide < static_cast<Wide>(std::numeric_limits<T>::min()) ||
        wide > static_cast<Wide>(std::numeric_limits<T>::max())))) {
    Erroneous(text, fieldName,
              "out of range [" + std::to_string(+std::numeric_limits<T>::min()) + ", " +
                  std::to_string(+std::numeric_limits<T>::max()) + "]");
  }
  if (error != std::errc() || end != digits.data() + digits.size())
    Erroneous(text, fieldName, "not an integer");
  return static_cast<T>(wide);
}

template <typename T>
T ParseFloating(const std::string& text, const std::string& fieldName) {
  const std::string_view digits = Digits(text);
  T value{};
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) Erroneous(text, fieldName, "out of range");
  if (error != std::errc() || end != digits.data() + digits.size() || std::isnan(value))
    Erroneous(text, fieldName, "not a number");
  return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

[[noreturn]] void NotSingleCharacter(const std::string& text) {
  throw std::runtime_error("Out of range value '" + text +
                           "'. Can only provide a single charecter as input.");
}

}  // namespace

bool isInputEmpty(const std::string& text, const std::string& fieldName) {
  if (!text.empty()) return false;
  LogDebug("Input is empty. Setting field '" + fieldName + "' to default value");
  return true;
}

template <typename T>
T InputToValue(const std::string& text, const std::string& fieldName) {
  if (isInputEmpty(text, fieldName)) return T{};
  if constexpr (std::is_floating_point_v<T>) {
    return ParseFloating<T>(text, fieldName);
  } else {
    return ParseInteger<T>(text, fieldName);
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
template long double InputToValue<long double>(const std::string&, const std::string&);

bool InputToValueBool(const std::string& text, const std::string& fieldName) {
  if (isInputEmpty(text, fieldName)) return false;
  if (text == "1" || EqualsIgnoringCase(text, "true")) return true;
  if (text == "0" || EqualsIgnoringCase(text, "false")) return false;
  throw std::runtime_error("Erroneous value '" + text + "' provided for a boolean field '" +
                           fieldName);
}

char InputToChar(const std::string& text, const std::string& fieldName) {
  if (isInputEmpty(text, fieldName)) return '\0';
  if (text.size() != 1) NotSingleCharacter(text);
  return text.front();
}

char16_t InputToWideChar(const std::string& text, const std::string& fieldName) {
  if (isInputEmpty(text, fieldName)) return u'\0';
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
  // One UTF-8 sequence of one to three bytes (the basic multilingual plane).
  if (text.size() == 1 && byte(0) < 0x80) return byte(0);
  if (text.size() == 2 && (byte(0) & 0xE0) == 0xC0 && continuation(1))
    return static_cast<char16_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F));
  if (text.size() == 3 && (byte(0) & 0xF0) == 0xE0 && continuation(1) && continuation(2))
    return static_cast<char16_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                 (byte(2) & 0x3F));
  NotSingleCharacter(text);
}

bool IsNumber(const std::string& text) {
  const std::string_view digits = Digits(text);
  if (const auto hex = ReadInteger<long long>(digits);
      hex.error == std::errc() && hex.end == digits.data() + digits.size() && !digits.empty())
    return true;
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return !digits.empty() && error != std::errc::invalid_argument &&
         end == digits.data() + digits.size() && !std::isnan(value) &&
         (std::isdigit(static_cast<unsigned char>(digits.back())) || digits.back() == '.');
}

}  // namespace Quorvel::values
