#pragma once

// Small readers shared by the two sections of the configuration file.

#include <quorvel/LogSeverityLevel.h>

#include <cstdint>
#include <filesystem>
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

// `text`, or nullopt when it is empty.
std::optional<std::string> NonEmpty(std::string text);

// The value of the named attribute, blanks around it removed; nullopt when absent or empty.
std::optional<std::string> AttributeText(const pugi::xml_node& node, const char* attribute);

// `text` taken from `directory`; the directory itself when `text` is empty.
std::filesystem::path ResolveRelative(const std::filesystem::path& directory,
                                      const std::string& text);

// In [1, INT32_MAX], the range of every count and size in the file.
bool IsPositiveInt32(std::int64_t value);

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
