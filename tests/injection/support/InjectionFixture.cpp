#include "injection/support/InjectionFixture.h"

#include "injection/DynamicDataInjector.h"
#include "injection/InjectionInput.h"

#include <nlohmann/json.hpp>

namespace Quorvel::test {

xtypes::Member M(std::string name, xtypes::DynamicTypePtr type, bool key, bool optional) {
  xtypes::Member member;
  member.name = std::move(name);
  member.type = std::move(type);
  member.key = key;
  member.optional = optional;
  return member;
}

xtypes::DynamicData InjectJson(const TypeProcessor& processor, const std::string& json,
                               bool reportUnusedFields) {
  xtypes::DynamicData sample(processor.Type());
  DynamicDataInjector(sample, injection::ParseInjectionJson(json), processor.Columns(),
                      reportUnusedFields);
  return sample;
}

xtypes::DynamicData InjectMap(const TypeProcessor& processor, const FlatMap& fields,
                              bool reportUnusedFields) {
  xtypes::DynamicData sample(processor.Type());
  DynamicDataInjector(sample, injection::MapToInjectionJson(fields), processor.Columns(),
                      reportUnusedFields);
  return sample;
}

Texts DissectTexts(const TypeProcessor& processor, const xtypes::DynamicDataRef& data,
                   const Formats& formats) {
  const auto sample = Dissect(processor, data, formats);
  Texts texts{std::string(), sample->Output().MapPrint()};
  try {
    texts.json = sample->Output().ToJson();
  } catch (const nlohmann::ordered_json::type_error&) {
    // Strings that are not UTF-8 (raw octets, chars above 0x7F) have no JSON text.
  }
  return texts;
}

}  // namespace Quorvel::test
