#include "JsonText.h"

#include <cstdio>

namespace Quorvel::Cli::JsonText {

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          quoted += escaped;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

std::string TopicOfSample(std::string_view json) {
  const std::size_t group = json.rfind("\"CommonMetaData\":{");
  if (group == std::string_view::npos) return {};
  constexpr std::string_view key = "\"topic_name\":\"";
  const std::size_t end = json.find('}', group);
  const std::size_t at = json.find(key, group);
  if (at == std::string_view::npos || at > end) return {};
  std::string topic;
  for (std::size_t i = at + key.size(); i < json.size(); ++i) {
    if (json[i] == '"') return topic;
    if (json[i] == '\\' && i + 1 < json.size()) ++i;  // topic names carry no escapes worth decoding
    topic += json[i];
  }
  return {};  // unterminated: not a sample of ours
}

}  // namespace Quorvel::Cli::JsonText
