#pragma once

// Conversions between a sample's JSON document and its flat map of member names to value
// texts, in both directions. Both raise std::runtime_error for input they cannot convert.

#include <nlohmann/json.hpp>

#include <map>
#include <string>

namespace Quorvel::CommonHelperFunctions {

// Every pair set at the JSON pointer of its key, as a JSON string; numeric pointer tokens
// make arrays. An empty map gives an empty object. Throws std::runtime_error when the arrays
// would hold over 2^20 more elements than the map has entries (left-out elements become null).
nlohmann::ordered_json MapToJson(const std::map<std::string, std::string>& map);

// Object members continue the prefix with "." + key (the key alone at the top), array
// elements with "[index]"; leaves become texts. A key already in `map` raises
// "Duplicate field name detected - " + key.
void JsonToMap(const nlohmann::ordered_json& json, const std::string& prefix,
               std::map<std::string, std::string>& map);

// The text of a leaf: strings as they are, integers in decimal, floating point with 17
// significant digits, booleans 1 / 0, null "null"; objects and arrays raise an error.
std::string JsonValueToString(const nlohmann::ordered_json& value, const std::string& fieldName);

}  // namespace Quorvel::CommonHelperFunctions
