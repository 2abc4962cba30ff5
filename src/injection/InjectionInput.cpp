#include "injection/InjectionInput.h"

#include "dissection/JsonMapConversion.h"
#include "injection/JsonTextReader.h"

#include <nlohmann/json.hpp>

namespace Quorvel::injection {

nlohmann::ordered_json ParseInjectionJson(const std::string& text) {
  if (std::optional<nlohmann::ordered_json> document = ReadJsonFast(text)) return std::move(*document);
  try {
    return nlohmann::ordered_json::parse(text);
  } catch (const std::exception& e) {
    throw InjectionInputError(std::string("Erroneous JSON string provided. Error:") + e.what());
  }
}

nlohmann::ordered_json MapToInjectionJson(const std::map<std::string, std::string>& fields) {
  try {
    return CommonHelperFunctions::MapToJson(fields);
  } catch (const std::exception& e) {
    throw InjectionInputError(std::string("Veltrane::InjectMessage error converting map format: ") +
                              e.what());
  }
}

}  // namespace Quorvel::injection
