#include "active/GuidText.h"

namespace Quorvel {

std::string GuidText(const Transport::Guid& guid) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(guid.size() * 2);
  for (std::uint8_t byte : guid) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

}  // namespace Quorvel
