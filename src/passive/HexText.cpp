#include "passive/HexText.h"

#include <cstdio>
#include <stdexcept>

namespace Quorvel::passive {

std::string HexText(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

namespace {

int DigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  throw std::invalid_argument("Invalid input string");
}

}  // namespace

std::vector<uint8_t> HexBytes(std::string_view text) {
  if (text.size() % 2 != 0) throw std::invalid_argument("Invalid input string");
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(DigitValue(text[i]) * 16 + DigitValue(text[i + 1])));
  }
  return bytes;
}

std::string HexNumber(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*x", digits, value);
  return text;
}

}  // namespace Quorvel::passive
