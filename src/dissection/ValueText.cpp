#include "dissection/ValueText.h"

#include <charconv>
#include <cmath>

namespace Quorvel::ValueText {

namespace {

template <typename T>
std::string Integer(T value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, result.ptr);
}

// to_chars with a precision is printf's "%.<precision>g".
std::string Floating(double value, int precision) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char digits[40];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, precision);
  return std::string(digits, result.ptr);
}

}  // namespace

std::string FromSigned(std::int64_t value) { return Integer(value); }
std::string FromUnsigned(std::uint64_t value) { return Integer(value); }
std::string FromFloat(float value) { return Floating(value, 9); }
std::string FromDouble(double value) { return Floating(value, 17); }

std::string NarrowWideUnits(const std::vector<std::uint16_t>& unitsWithTerminator) {
  std::string text;
  if (unitsWithTerminator.empty()) return text;
  text.reserve(unitsWithTerminator.size() - 1);
  for (std::size_t i = 0; i + 1 < unitsWithTerminator.size(); ++i)
    text.push_back(static_cast<char>(unitsWithTerminator[i] & 0xFF));
  return text;
}

}  // namespace Quorvel::ValueText
