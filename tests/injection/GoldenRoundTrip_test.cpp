// What the dissection gives is valid injection input for the same type: every sample that
// Cyclone DDS wrote (tests/data/golden/rich: primitives at their extremes, strings, enums,
// nested structures, unions on every discriminator kind, arrays of one and two dimensions,
// bounded and unbounded sequences, optional members, appendable and mutable types) is decoded,
// dissected under each value format, injected back from its JSON text and from its flat map,
// and must come back as the same sample: from JSON text, exactly the bytes of the original; from
// the flat map, which has no entry for an empty sequence, the same flat map when dissected
// again.
//
// One exception is by design: a union whose discriminator selects no case (Cyclone writes
// such unions in its all-zero samples) is dissected as its discriminator alone, and the injector
// refuses a discriminator that selects nothing.

#include "injection/support/InjectionFixture.h"
#include "middleware/cdr/CdrCodec.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

namespace Quorvel {
namespace {

using nlohmann::ordered_json;

struct Variant {
  const char* name;
  test::Formats formats;
};

// `same` holds for the injected sample, or the injection refused a union that the dissection
// shows with its discriminator alone.
void ExpectSame(const std::function<xtypes::DynamicData()>& inject,
                const std::function<void(const xtypes::DynamicData&)>& same,
                const test::FlatMap& dissected, std::size_t& unselected) {
  try {
    same(inject());
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    const std::string prefix = "' was provided for field ";
    const std::size_t at = message.find(prefix);
    ASSERT_EQ(message.rfind("Invalid discriminator value '", 0), 0u) << message;
    ASSERT_NE(at, std::string::npos) << message;
    const std::string unionName = message.substr(at + prefix.size());
    for (const auto& [key, value] : dissected) {
      if (key.rfind(unionName + ".", 0) == 0) {
        EXPECT_EQ(key, unionName + ".discriminator") << "the union has a selected case: " << message;
      }
    }
    ++unselected;
  }
}

TEST(GoldenRoundTrip, DissectedSamplesInjectBackToTheSameBytes) {
  const Variant variants[] = {
      {"base", {}},
      {"boolean_string", {.boolean = BooleanFormat::STRING}},
      {"enum_value_and_name", {.enumeration = EnumOutputFormat::VALUE_AND_NAME}},
      {"char_array_string", {.charArray = CharArrayFormat::STRING}},
      {"byte_array_buffer", {.byteArray = ByteArrayFormat::BUFFER}},
  };
  std::size_t checked = 0;
  std::size_t checkedJson = 0;
  std::size_t unselected = 0;
  for (const char* valuesFile : {"FinalAll", "Extras", "AppendableRecord", "MutableRecord"}) {
    const ordered_json values = ordered_json::parse(
        test::ReadText(test::TestData(std::string("golden/rich/") + valuesFile + ".json")));
    const xtypes::DynamicTypePtr type = test::RichTypes().Find(values["type"].get<std::string>());
    ASSERT_TRUE(type) << values["type"];
    for (const ordered_json& golden : values["samples"]) {
      const std::string name = golden["name"].get<std::string>();
      xtypes::DynamicData original(type);
      cdr::from_cdr_buffer(original,
                           test::ReadBytes(test::TestData("golden/rich/" + name + ".xcdr2.bin")));
      const std::vector<std::uint8_t> expected = cdr::to_cdr_buffer(original);
      for (const Variant& variant : variants) {
        SCOPED_TRACE(name + " / " + variant.name);
        const TypeProcessor processor(type->name(), type, variant.formats.Flattening());
        const test::Texts texts = test::DissectTexts(processor, original, variant.formats);
        // With every input leaf reported when unused: nothing of the dissection is left over.
        if (!texts.json.empty()) {
          ExpectSame([&] { return test::InjectJson(processor, texts.json, true); },
                     [&](const xtypes::DynamicData& injected) {
                       EXPECT_EQ(cdr::to_cdr_buffer(injected), expected) << texts.json;
                     },
                     texts.map, unselected);
          ++checkedJson;
        }
        ExpectSame([&] { return test::InjectMap(processor, texts.map, true); },
                   [&](const xtypes::DynamicData& injected) {
                     EXPECT_EQ(test::DissectTexts(processor, injected, variant.formats).map, texts.map);
                   },
                   texts.map, unselected);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 50u);
  EXPECT_GT(checkedJson, 40u);
  EXPECT_LT(unselected * 4, checked) << "most samples select a case in every union";
}

}  // namespace
}  // namespace Quorvel
