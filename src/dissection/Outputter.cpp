#include "dissection/Outputter.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace Quorvel {

struct Outputter::JsonDocuments {
  nlohmann::ordered_json sample;
  nlohmann::ordered_json temp;
};

namespace {

constexpr std::uint64_t kLargestRow = std::uint64_t{1} << 26;

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

// The same document with every object's members ordered by name.
nlohmann::json SortedByName(const nlohmann::ordered_json& value) {
  if (value.is_object()) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, member] : value.items()) object.emplace(key, SortedByName(member));
    return object;
  }
  if (value.is_array()) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& element : value) array.push_back(SortedByName(element));
    return array;
  }
  return nlohmann::json(value);
}

}  // namespace

Outputter::Outputter(std::uint64_t bufferMaxSize, const ColumnList* columns,
                     OutputSettings settings)
    : bufferMaxSize(bufferMaxSize),
      columns(columns),
      json(std::make_unique<JsonDocuments>()),
      settings(settings) {
  if (!settings.Has(DissectionBitMap::kRowBuffer)) return;
  // Rows of types with unbounded members count the unbounded bound: no row for those.
  if (bufferMaxSize > kLargestRow)
    throw std::runtime_error("Row buffer output is not available for a row of " +
                             std::to_string(bufferMaxSize) + " bytes");
  rowBuffer.assign(bufferMaxSize, 0);
}

Outputter::~Outputter() = default;
Outputter::Outputter(Outputter&&) noexcept = default;
Outputter& Outputter::operator=(Outputter&&) noexcept = default;

nlohmann::ordered_json& Outputter::SampleJson() { return json->sample; }
const nlohmann::ordered_json& Outputter::SampleJson() const { return json->sample; }
nlohmann::ordered_json& Outputter::TempJson() { return json->temp; }

void Outputter::WriteToRowBuffer(const void* value, std::uint64_t size) {
  if (size > rowBuffer.size() || bufferOffset > rowBuffer.size() - size)
    throw std::out_of_range("Outputter row buffer overflow at offset " +
                            std::to_string(bufferOffset) + " writing " + std::to_string(size) +
                            " bytes into a row of " + std::to_string(rowBuffer.size()));
  if (value != nullptr && size > 0) std::memcpy(rowBuffer.data() + bufferOffset, value, size);
  bufferOffset += size;
}

template <typename T>
void Outputter::AddValue(const std::string& name, const std::string& prefix, T value,
                         const std::optional<std::string>& text) {
  if (settings.Has(DissectionBitMap::kRowBuffer)) WriteToRowBuffer(&value, sizeof(T));
  if (settings.Has(DissectionBitMap::kValueLine)) AddValueToLinePrint(text ? *text : "NULL");
  if (!text) return;
  if (settings.Has(DissectionBitMap::kFlatMap)) AddValueToMapPrint(prefix + "." + name, *text);
  if (settings.Has(DissectionBitMap::kJson)) {
    if (json->temp.is_null()) json->temp = nlohmann::ordered_json::object();
    switch (settings.enumOutputFormat) {
      case EnumOutputFormat::VALUE: json->temp[name] = value; break;
      case EnumOutputFormat::NAME: json->temp[name] = std::string(WithoutValuePart(*text)); break;
      case EnumOutputFormat::VALUE_AND_NAME: json->temp[name] = *text; break;
    }
  }
}

template void Outputter::AddValue<int>(const std::string&, const std::string&, int,
                                       const std::optional<std::string>&);
template void Outputter::AddValue<unsigned char>(const std::string&, const std::string&,
                                                 unsigned char, const std::optional<std::string>&);
template void Outputter::AddValue<char>(const std::string&, const std::string&, char,
                                        const std::optional<std::string>&);
template void Outputter::AddValue<unsigned int>(const std::string&, const std::string&,
                                                unsigned int, const std::optional<std::string>&);
template void Outputter::AddValue<unsigned short>(const std::string&, const std::string&,
                                                  unsigned short,
                                                  const std::optional<std::string>&);
template void Outputter::AddValue<unsigned long>(const std::string&, const std::string&,
                                                 unsigned long, const std::optional<std::string>&);
template void Outputter::AddValue<long>(const std::string&, const std::string&, long,
                                        const std::optional<std::string>&);
template void Outputter::AddValue<long long>(const std::string&, const std::string&, long long,
                                             const std::optional<std::string>&);

void Outputter::AddValueString(const std::string& name, const std::string& prefix,
                               const std::string& raw, const std::optional<std::string>& text) {
  if (settings.Has(DissectionBitMap::kRowBuffer)) WriteToRowBuffer(raw.data(), raw.size());
  if (settings.Has(DissectionBitMap::kValueLine)) AddValueToLinePrint(text ? *text : "NULL");
  if (!text) return;
  if (settings.Has(DissectionBitMap::kFlatMap)) AddValueToMapPrint(prefix + "." + name, *text);
  if (settings.Has(DissectionBitMap::kJson)) AddValueToTempJsonPrint(name, *text);
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

void Outputter::AddValueToTempJsonPrint(const std::string& name, const std::string& text) {
  if (json->temp.is_null()) json->temp = nlohmann::ordered_json::object();
  json->temp[name] = text;
}

std::string Outputter::ToJson() const {
  return json->sample.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::strict);
}

std::string Outputter::ToListenerJson() const {
  constexpr auto kReplace = nlohmann::ordered_json::error_handler_t::replace;
  if (settings.fieldsOrdering == FieldsOrdering::STANDARDIZED_UNORDERED)
    return SortedByName(json->sample).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return json->sample.dump(-1, ' ', false, kReplace);
}

}  // namespace Quorvel
