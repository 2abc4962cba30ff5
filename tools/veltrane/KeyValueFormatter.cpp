#include "KeyValueFormatter.h"

namespace Quorvel::Cli {

std::string KeyValueFormatter::EscapeValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (const char c : value) {
    if (c == '\\') escaped += "\\\\";
    else if (c == '\n') escaped += "\\n";
    else if (c == '\r') escaped += "\\r";
    else escaped += c;
  }
  return escaped;
}

std::string KeyValueFormatter::Format(const DeliveredSample& sample) const {
  std::string text;
  for (const auto& [key, value] : *sample.fields) {
    text += key;
    text += '=';
    text += EscapeValue(value);
    text += '\n';
  }
  return text + '\n';
}

}  // namespace Quorvel::Cli
