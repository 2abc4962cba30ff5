#include "XmlSourceText.h"

#include <pugixml.hpp>

#include <algorithm>

namespace Quorvel::ddsconfig {

namespace {

std::string Trimmed(const char* text) {
  std::string value(text);
  const auto first = value.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = value.find_last_not_of(" \t\r\n");
  return value.substr(first, last - first + 1);
}

bool HasElementChildren(const pugi::xml_node& node) {
  return node.find_child([](const pugi::xml_node& child) {
    return child.type() == pugi::node_element;
  }) != nullptr;
}

}  // namespace

XmlSourceText::XmlSourceText(std::string text) : text_(std::move(text)) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\n') lineStarts_.push_back(i + 1);
  }
}

std::uint32_t XmlSourceText::LineOf(const pugi::xml_node& node) const {
  const std::ptrdiff_t offset = node.offset_debug();
  if (offset < 0) return 1;
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(),
                                     static_cast<std::size_t>(offset));
  return static_cast<std::uint32_t>(next - lineStarts_.begin());
}

bool XmlSourceText::OnSameLine(std::ptrdiff_t a, std::ptrdiff_t b) const {
  if (a < 0 || b < 0) return false;
  const auto low = static_cast<std::size_t>(std::min(a, b));
  const auto high = std::min(static_cast<std::size_t>(std::max(a, b)), text_.size());
  return std::find(text_.begin() + low, text_.begin() + high, '\n') == text_.begin() + high;
}

bool XmlSourceText::IsTrailingComment(const pugi::xml_node& comment) const {
  const pugi::xml_node before = comment.previous_sibling();
  return before.type() == pugi::node_element && !HasElementChildren(before) &&
         OnSameLine(before.offset_debug(), comment.offset_debug());
}

std::string XmlSourceText::DescriptionOf(const pugi::xml_node& element) const {
  const pugi::xml_node after = element.next_sibling();
  if (after.type() == pugi::node_comment && IsTrailingComment(after)) return Trimmed(after.value());
  const pugi::xml_node before = element.previous_sibling();
  if (before.type() == pugi::node_comment && !IsTrailingComment(before))
    return Trimmed(before.value());
  return {};
}

}  // namespace Quorvel::ddsconfig
