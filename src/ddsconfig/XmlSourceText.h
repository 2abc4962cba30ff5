#pragma once

// The text of one XML file kept beside its pugixml tree: node offsets become line numbers, and
// comments become the descriptions of the declarations they annotate.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace Quorvel::ddsconfig {

class XmlSourceText {
 public:
  explicit XmlSourceText(std::string text);

  const std::string& Text() const { return text_; }

  // 1-based line of a node (1 when the parser kept no offset for it).
  std::uint32_t LineOf(const pugi::xml_node& node) const;

  // The comment that describes `element`: a comment on the same line right after a
  // declaration without children (`<member .../> <!-- metres -->`), otherwise a comment
  // standing on the lines right before it. Empty when there is none.
  std::string DescriptionOf(const pugi::xml_node& element) const;

 private:
  bool OnSameLine(std::ptrdiff_t a, std::ptrdiff_t b) const;
  bool IsTrailingComment(const pugi::xml_node& comment) const;

  std::string text_;
  std::vector<std::size_t> lineStarts_;
};

}  // namespace Quorvel::ddsconfig
