#include "dissection/Column.h"

#include "dissection/JsonWriter.h"

#include <cctype>
#include <string_view>

namespace Quorvel {

namespace {

constexpr std::string_view kFlatKeyPrefix = "SampleData.";
constexpr std::string_view kSequencePlaceholder = "[i]";

// Removes every selector of a single non-negative label ("{_d=2}") and the empty selector of a
// default case ("{_d=}"); selectors of several labels ("{_d=3/4}") or of a negative one stay.
std::string StripSingleLabelSelectors(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    if (name.compare(i, 4, "{_d=") == 0) {
      std::size_t j = i + 4;
      while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
      if (j < name.size() && name[j] == '}') {
        i = j + 1;
        continue;
      }
    }
    out.push_back(name[i++]);
  }
  return out;
}

}  // namespace

void Column::BuildNestedNameConcatenated() {
  std::string text;
  for (const std::string& component : nestedNames) {
    if (!component.empty() && component.front() == '[' && !text.empty()) text.pop_back();
    text += component;
    text += '.';
  }
  if (!text.empty()) text.pop_back();
  nestedNameConcatenated = std::move(text);
  nestedNameWithoutDiscriminators = StripSingleLabelSelectors(nestedNameConcatenated);

  flatKeyPieces.clear();
  std::string piece(kFlatKeyPrefix);
  std::string_view rest = nestedNameWithoutDiscriminators;
  for (std::size_t at = rest.find(kSequencePlaceholder); at != std::string_view::npos;
       at = rest.find(kSequencePlaceholder)) {
    piece += rest.substr(0, at);
    flatKeyPieces.push_back(std::move(piece));
    piece.clear();
    rest.remove_prefix(at + kSequencePlaceholder.size());
  }
  piece += rest;
  flatKeyPieces.push_back(std::move(piece));
  jsonKey = JsonWriter::QuotedKey(memberName);
}

bool KindHasColumns(xtypes::TypeKind kind) {
  return xtypes::IsPrimitiveKind(kind) || xtypes::IsStringKind(kind) ||
         xtypes::IsCollectionKind(kind) || xtypes::IsAggregationKind(kind) ||
         kind == xtypes::TypeKind::ENUMERATION || kind == xtypes::TypeKind::BITMASK;
}

bool IsOneValueColumn(const Column& column) {
  return !column.nestedNames.empty() && column.nestedNames.back() == "[]";
}

}  // namespace Quorvel
