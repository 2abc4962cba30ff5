#pragma once

// Small readers shared by the two sections of the configuration file.

#include <quorvel/LogSeverityLevel.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pugi {
class xml_node;
}

namespace Quorvel {

// The text of the named child element, blanks around it removed; empty when absent.
std::string ElementText(const pugi::xml_node& parent, const char* child);

// The value of the named attribute, blanks around it removed; nullopt when absent or empty.
std::optional<std::string> AttributeText(const pugi::xml_node& node, const char* attribute);

std::string ToUpper(std::string text);
std::string ToLower(std::string text);

// "TRACE" ... "FATAL", exact case.
std::optional<LogSeverityLevel> ParseSeverity(const std::string& text);

// Looks `text` up in a table of (name, value) pairs.
template <typename Value, std::size_t N>
std::optional<Value> LookUp(const std::pair<std::string_view, Value> (&table)[N],
                            std::string_view text) {
  for (const auto& [name, value] : table) {
    if (name == text) return value;
  }
  return std::nullopt;
}

}  // namespace Quorvel
