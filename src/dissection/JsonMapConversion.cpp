#include "dissection/JsonMapConversion.h"

#include "dissection/CommonHelperFunctions.h"
#include "dissection/ValueText.h"

#include <stdexcept>

namespace Quorvel::CommonHelperFunctions {

nlohmann::ordered_json MapToJson(const std::map<std::string, std::string>& map) {
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
