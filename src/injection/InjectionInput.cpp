#include "injection/InjectionInput.h"

#include "dissection/JsonMapConversion.h"
#include "injection/JsonTextReader.h"

#include <nlohmann/json.hpp>

#include <vector>

namespace Quorvel::injection {

nlohmann::ordered_json ParseInjectionJson(const std::string& text, bool packByteArrays) {
  if (std::optional<nlohmann::ordered_json> document = ReadJsonFast(text, packByteArrays))
    return std::move(*document);
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

void ReleaseInjectionDocument(nlohmann::ordered_json& document) {
  // Iterative, as nlohmann's own release is: the input may nest deeply.
  std::vector<nlohmann::ordered_json*> pending{&document};
  while (!pending.empty()) {
    nlohmann::ordered_json& value = *pending.back();
    pending.pop_back();
    if (!value.is_structured()) continue;
    bool plain = value.is_array();
    for (nlohmann::ordered_json& child : value) {
      if (!child.is_structured()) continue;
      plain = false;
      pending.push_back(&child);
    }
    if (plain) value.clear();
  }
}

}  // namespace Quorvel::injection
