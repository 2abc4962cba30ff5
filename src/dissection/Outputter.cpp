#include "dissection/Outputter.h"

#include "dissection/JsonMemberSorter.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace Quorvel {

namespace {

constexpr std::uint64_t kLargestRow = std::uint64_t{1} << 26;
// A sample with its metadata columns takes about 1.5 KB of JSON: one allocation for most.
constexpr std::size_t kJsonReserve = 2048;

// "(2) - NAME" or "2 - NAME" -> "NAME"; any other text unchanged.
std::string_view WithoutValuePart(std::string_view text) {
  std::size_t i = 0;
  const bool parenthesised = !text.empty() && text.front() == '(';
  if (parenthesised) ++i;
  const std::size_t digitsStart = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == digitsStart) return text;
  if (parenthesised) {
    if (i >= text.size() || text[i] != ')') return text;
    ++i;
  }
  constexpr std::string_view kSeparator = " - ";
  if (text.substr(i, kSeparator.size()) != kSeparator) return text;
  return text.substr(i + kSeparator.size());
}

}  // namespace

OutputName::OutputName(std::string_view prefix, std::string_view name)
    : name(name), jsonKey(JsonWriter::QuotedKey(name)) {
  mapKey.reserve(prefix.size() + 1 + name.size());
  mapKey.append(prefix).append(".").append(name);
}

Outputter::Outputter(std::uint64_t bufferMaxSize, const ColumnList* columns,
                     OutputSettings settings)
    : bufferMaxSize(bufferMaxSize), columns(columns), settings(settings) {
  if (!settings.Has(DissectionBitMap::kRowBuffer)) return;
  // Rows of types with unbounded members count the unbounded bound: no row for those.
  if (bufferMaxSize > kLargestRow)
    throw std::runtime_error("Row buffer output is not available for a row of " +
                             std::to_string(bufferMaxSize) + " bytes");
  rowBuffer.assign(bufferMaxSize, 0);
}

Outputter::~Outputter() {
  // A text far above the usual size stays with its sample rather than being kept spare.
  constexpr std::size_t kLargestSpare = 256 * 1024;
  const std::size_t capacity = json.Text().capacity();
  if (spareTexts && capacity >= kJsonReserve && capacity <= kLargestSpare)
    spareTexts->Give(json.ReleaseText());
}

void Outputter::WriteToRowBuffer(const void* value, std::uint64_t size) {
  if (size > rowBuffer.size() || bufferOffset > rowBuffer.size() - size)
    throw std::out_of_range("Outputter row buffer overflow at offset " +
                            std::to_string(bufferOffset) + " writing " + std::to_string(size) +
                            " bytes into a row of " + std::to_string(rowBuffer.size()));
  if (value != nullptr && size > 0) std::memcpy(rowBuffer.data() + bufferOffset, value, size);
  bufferOffset += size;
}

template <typename T>
void Outputter::AddValue(const OutputName& column, T value,
                         std::optional<std::string_view> text) {
  if (settings.Has(DissectionBitMap::kRowBuffer)) WriteToRowBuffer(&value, sizeof(T));
  if (settings.Has(DissectionBitMap::kValueLine))
    AddValueToLinePrint(text ? std::string(*text) : std::string("NULL"));
  if (!text) return;
  if (settings.Has(DissectionBitMap::kFlatMap))
    AddValueToMapPrint(column.mapKey, std::string(*text));
  if (!settings.Has(DissectionBitMap::kJson)) return;
  json.QuotedKeyText(column.jsonKey);
  switch (settings.enumOutputFormat) {
    case EnumOutputFormat::VALUE:
      if constexpr (std::is_signed_v<T>)
        json.Signed(value);
      else
        json.Unsigned(value);
      break;
    case EnumOutputFormat::NAME: json.String(WithoutValuePart(*text)); break;
    case EnumOutputFormat::VALUE_AND_NAME: json.String(*text); break;
  }
}

#define VELTRANE_ADD_VALUE(T) \
  template void Outputter::AddValue<T>(const OutputName&, T, std::optional<std::string_view>);
VELTRANE_ADD_VALUE(int)
VELTRANE_ADD_VALUE(unsigned char)
VELTRANE_ADD_VALUE(char)
VELTRANE_ADD_VALUE(unsigned int)
VELTRANE_ADD_VALUE(unsigned short)
VELTRANE_ADD_VALUE(unsigned long)
VELTRANE_ADD_VALUE(long)
VELTRANE_ADD_VALUE(long long)
#undef VELTRANE_ADD_VALUE

void Outputter::AddValueString(const OutputName& column, std::string_view raw,
                               std::optional<std::string_view> text, bool plainText) {
  if (settings.Has(DissectionBitMap::kRowBuffer)) WriteToRowBuffer(raw.data(), raw.size());
  if (settings.Has(DissectionBitMap::kValueLine))
    AddValueToLinePrint(text ? std::string(*text) : std::string("NULL"));
  if (!text) return;
  if (settings.Has(DissectionBitMap::kFlatMap))
    AddValueToMapPrint(column.mapKey, std::string(*text));
  if (!settings.Has(DissectionBitMap::kJson)) return;
  json.QuotedKeyText(column.jsonKey);
  plainText ? json.PlainString(*text) : json.String(*text);
}

bool Outputter::AddValueToMapPrint(std::string key, std::string text) {
  // Values mostly arrive in key order (members of one structure, elements of a sequence), so
  // the place after the previous entry is tried first.
  const std::size_t before = mapPrint.size();
  const auto hint = lastMapEntry ? std::next(*lastMapEntry) : mapPrint.end();
  lastMapEntry = mapPrint.try_emplace(hint, std::move(key), std::move(text));
  return mapPrint.size() != before;
}

void Outputter::AddValueToLinePrint(std::string text) { linePrint.push_back(std::move(text)); }

void Outputter::StartDocument() {
  if (!json.Empty()) return;
  if (spareTexts) {
    if (std::optional<std::string> spare = spareTexts->Take()) json.AdoptBuffer(std::move(*spare));
  }
  json.Reserve(std::max(kJsonReserve, jsonReserve));
  json.BeginObject();
}

void Outputter::CloseGroupsTo(std::size_t depth) {
  for (; openDepth > depth; --openDepth) json.EndObject();
}

JsonWriter* Outputter::BeginJsonMember(std::string_view name) {
  if (!settings.Has(DissectionBitMap::kJson)) return nullptr;
  StartDocument();
  CloseGroupsTo(0);
  json.Key(name);
  return &json;
}

void Outputter::BeginJsonGroup(std::initializer_list<std::string_view> path) {
  if (!settings.Has(DissectionBitMap::kJson) || path.size() == 0) return;
  StartDocument();
  // The group itself is always a new member; only its parents are shared.
  std::size_t shared = 0;
  const auto* name = path.begin();
  if (path.size() > kMaxGroupDepth)
    throw std::logic_error("Outputter::BeginJsonGroup: a path deeper than " +
                           std::to_string(kMaxGroupDepth) + " names");
  while (shared < openDepth && shared + 1 < path.size() && openGroups[shared] == *name) {
    ++shared;
    ++name;
  }
  CloseGroupsTo(shared);
  for (; name != path.end(); ++name) {
    json.Key(*name);
    json.BeginObject();
    openGroups[openDepth++] = *name;
  }
}

void Outputter::EndJsonGroup() {
  if (!settings.Has(DissectionBitMap::kJson) || openDepth == 0) return;
  --openDepth;
  if (json.Last() == '{') {
    json.DropLast();
    json.Null();
  } else {
    json.EndObject();
  }
}

void Outputter::AddJsonGroupMembers(std::initializer_list<std::string_view> path,
                                    std::initializer_list<std::string_view> members) {
  if (!settings.Has(DissectionBitMap::kJson)) return;
  BeginJsonGroup(path);
  for (const std::string_view part : members) json.Continue(part);
  EndJsonGroup();
}

std::string Outputter::ClosingText() const {
  if (finished) return {};
  return std::string(openDepth + 1, '}');
}

void Outputter::Finish() {
  if (finished) return;
  finished = true;
  if (!settings.Has(DissectionBitMap::kJson)) return;
  if (json.Empty()) {
    json.Null();
  } else {
    CloseGroupsTo(0);
    json.EndObject();
  }
  if (settings.fieldsOrdering == FieldsOrdering::STANDARDIZED_UNORDERED)
    JsonMemberSorter::SortMembersByName(json.Text(), sortedJson);
}

const std::string& Outputter::ListenerJson() const {
  if (!finished) throw std::logic_error("Outputter::ListenerJson before Finish");
  if (settings.fieldsOrdering == FieldsOrdering::STANDARDIZED_UNORDERED) return sortedJson;
  return json.Text();
}

std::string Outputter::DocumentText() const {
  if (json.Empty()) return "null";
  return json.Text() + ClosingText();
}

std::string Outputter::ToJson() const {
  if (!json.FirstUtf8Error().empty())
    throw nlohmann::json::type_error::create(316, json.FirstUtf8Error(), nullptr);
  return DocumentText();
}

std::string Outputter::ToListenerJson() const {
  if (finished) return ListenerJson();
  if (settings.fieldsOrdering != FieldsOrdering::STANDARDIZED_UNORDERED) return DocumentText();
  std::string sorted;
  JsonMemberSorter::SortMembersByName(DocumentText(), sorted);
  return sorted;
}

}  // namespace Quorvel
