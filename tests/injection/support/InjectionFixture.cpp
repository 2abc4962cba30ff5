#include "injection/support/InjectionFixture.h"

#include "injection/DynamicDataInjector.h"
#include "injection/InjectionInput.h"
#include "middleware/xtypes/DataText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <exception>

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
  // Once with the arrays as nlohmann builds them and once with small numbers packed as bytes,
  // as the engine reads text: both ways must give the same sample or the same error.
  const auto fill = [&](bool packByteArrays, std::exception_ptr& error, std::string& message) {
    xtypes::DynamicData sample(processor.Type());
    try {
      DynamicDataInjector(sample, injection::ParseInjectionJson(json, packByteArrays),
                          processor.Columns(), reportUnusedFields);
    } catch (const std::exception& e) {
      error = std::current_exception();
      message = e.what();
    }
    return sample;
  };
  std::exception_ptr arraysError, packedError;
  std::string arraysMessage, packedMessage;
  xtypes::DynamicData sample = fill(false, arraysError, arraysMessage);
  const xtypes::DynamicData packed = fill(true, packedError, packedMessage);
  EXPECT_EQ(packedMessage, arraysMessage) << json;
  if (arraysError) std::rethrow_exception(arraysError);
  EXPECT_EQ(xtypes::ToText(packed), xtypes::ToText(sample)) << json;
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
