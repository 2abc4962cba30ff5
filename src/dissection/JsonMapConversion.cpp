#include "dissection/JsonMapConversion.h"

#include "dissection/CommonHelperFunctions.h"
#include "dissection/ValueText.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace Quorvel::CommonHelperFunctions {

namespace {

// A flat map may leave collection elements out (an element without leaves has no entry, and
// MapToJson puts null in its place), but an array is made as long as its highest index: without
// a bound, one entry "seq[4294967295]" would make a document of four billion elements.
constexpr std::uint64_t kMaxOmittedElements = std::uint64_t{1} << 20;
constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max() / 2;

// The index a pointer token names, saturated; nothing when it is not all digits.
std::optional<std::uint64_t> TokenIndex(std::string_view token) {
  if (token.empty() || !std::all_of(token.begin(), token.end(), [](char c) {
        return c >= '0' && c <= '9';
      })) {
    return std::nullopt;
  }
  std::uint64_t index = 0;
  for (const char c : token) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    index = index > (kSaturated - digit) / 10 ? kSaturated : index * 10 + digit;
  }
  return index;
}

// Counts the elements of every array the pointers make (each as long as its highest index)
// and refuses maps that would make far more elements than they have entries.
void CheckArrayLengths(const std::map<std::string, std::string>& map) {
  std::map<std::string, std::uint64_t, std::less<>> lengths;  // array pointer -> elements
  for (const auto& [key, text] : map) {
    const std::string pointer = ConvertStringToJsonPointer(key);
    for (std::size_t start = 1; start <= pointer.size();) {
      const std::size_t end = std::min(pointer.find('/', start), pointer.size());
      if (const auto index = TokenIndex(std::string_view(pointer).substr(start, end - start))) {
        std::uint64_t& length = lengths[pointer.substr(0, start - 1)];
        length = std::max(length, *index + 1);
      }
      start = end + 1;
    }
  }
  std::uint64_t elements = 0;
  for (const auto& [array, length] : lengths) elements = std::min(elements + length, kSaturated);
  if (elements > map.size() + kMaxOmittedElements) {
    throw std::runtime_error("the map's collection indexes make " + std::to_string(elements) +
                             " elements for " + std::to_string(map.size()) + " entries");
  }
}

}  // namespace

nlohmann::ordered_json MapToJson(const std::map<std::string, std::string>& map) {
  CheckArrayLengths(map);
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  for (const auto& [key, text] : map)
    json[nlohmann::ordered_json::json_pointer(ConvertStringToJsonPointer(key))] = text;
  return json;
}

void JsonToMap(const nlohmann::ordered_json& json, const std::string& prefix,
               std::map<std::string, std::string>& map) {
  if (json.is_object()) {
    for (const auto& [key, member] : json.items())
      JsonToMap(member, prefix.empty() ? key : prefix + "." + key, map);
    return;
  }
  if (json.is_array()) {
    for (std::size_t i = 0; i < json.size(); ++i)
      JsonToMap(json[i], prefix + "[" + std::to_string(i) + "]", map);
    return;
  }
  if (!map.emplace(prefix, JsonValueToString(json, prefix)).second)
    throw std::runtime_error("Duplicate field name detected - " + prefix);
}

std::string JsonValueToString(const nlohmann::ordered_json& value, const std::string& fieldName) {
  switch (value.type()) {
    case nlohmann::ordered_json::value_t::string: return value.get_ref<const std::string&>();
    case nlohmann::ordered_json::value_t::number_unsigned:
      return ValueText::FromUnsigned(value.get<std::uint64_t>());
    case nlohmann::ordered_json::value_t::number_integer:
      return ValueText::FromSigned(value.get<std::int64_t>());
    case nlohmann::ordered_json::value_t::number_float:
      return ValueText::FromDouble(value.get<double>());
    case nlohmann::ordered_json::value_t::boolean: return value.get<bool>() ? "1" : "0";
    case nlohmann::ordered_json::value_t::null: return "null";
    default:
      throw std::runtime_error("Expected boolean or number for field '" + fieldName +
                               "' .Received an object / array instead : " + value.dump());
  }
}

}  // namespace Quorvel::CommonHelperFunctions
