#include "ddsconfig/ConfigXmlValues.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <limits>

namespace Quorvel {
namespace {

std::string Trimmed(std::string_view text) {
  const auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

std::string ElementText(const pugi::xml_node& parent, const char* child) {
  return Trimmed(parent.child(child).text().as_string());
}

std::optional<std::string> NonEmpty(std::string text) {
  if (text.empty()) return std::nullopt;
  return text;
}

std::optional<std::string> AttributeText(const pugi::xml_node& node, const char* attribute) {
  return NonEmpty(Trimmed(node.attribute(attribute).as_string()));
}

std::filesystem::path ResolveRelative(const std::filesystem::path& directory,
                                      const std::string& text) {
  return text.empty() ? directory : directory / text;
}

bool IsPositiveInt32(std::int64_t value) {
  return value >= 1 && value <= std::numeric_limits<std::int32_t>::max();
}

std::string ToUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string ToLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<LogSeverityLevel> ParseSeverity(const std::string& text) {
  static constexpr std::pair<std::string_view, LogSeverityLevel> kLevels[] = {
      {"TRACE", LogSeverityLevel::TRACE},     {"DEBUG", LogSeverityLevel::DEBUG},
      {"INFO", LogSeverityLevel::INFO},       {"WARNING", LogSeverityLevel::WARNING},
      {"ERROR", LogSeverityLevel::ERROR},     {"FATAL", LogSeverityLevel::FATAL}};
  return LookUp(kLevels, text);
}

}  // namespace Quorvel
