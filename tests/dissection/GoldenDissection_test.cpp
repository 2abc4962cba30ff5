// Samples that Cyclone DDS wrote (tests/data/golden/rich) are decoded by our codec and
// dissected under every value format; the JSON and MAP texts are compared whole with the
// expected files in tests/data/dissection/<sample>/<variant>.{json,map}. The expected texts are
// not trusted blindly: every leaf of the dissected JSON is checked against the value Cyclone
// reports for the sample, and the MAP against the JSON through JsonToMap / MapToJson.
//
// VELTRANE_UPDATE_EXPECTED=1 rewrites the expected files (after the checks against Cyclone).

#include "dissection/JsonMapConversion.h"
#include "dissection/support/DissectionFixture.h"
#include "middleware/cdr/CdrCodec.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

namespace Quorvel {
namespace {

using nlohmann::ordered_json;
using Map = std::map<std::string, std::string>;

struct GoldenSample {
  std::string type;
  std::string valuesFile;
  std::string name;
};

const std::vector<GoldenSample>& GoldenSamples() {
  static const std::vector<GoldenSample> samples = [] {
    std::vector<GoldenSample> all;
    for (const char* file : {"FinalAll", "Extras", "AppendableRecord", "MutableRecord"}) {
      const ordered_json values = ordered_json::parse(
          test::ReadText(test::TestData(std::string("golden/rich/") + file + ".json")));
      for (const ordered_json& sample : values["samples"])
        all.push_back({values["type"].get<std::string>(), file, sample["name"].get<std::string>()});
    }
    return all;
  }();
  return samples;
}

struct Variant {
  const char* name;
  test::Formats formats;
};

std::vector<Variant> Variants() {
  return {
      {"base", {}},
      {"boolean_string", {.boolean = BooleanFormat::STRING}},
      {"enum_name", {.enumeration = EnumOutputFormat::NAME}},
      {"enum_value_and_name", {.enumeration = EnumOutputFormat::VALUE_AND_NAME}},
      {"char_array_string", {.charArray = CharArrayFormat::STRING}},
      {"byte_array_buffer", {.byteArray = ByteArrayFormat::BUFFER}},
      {"unordered", {.ordering = FieldsOrdering::STANDARDIZED_UNORDERED}},
  };
}

std::vector<std::filesystem::path> Payloads(const std::string& sampleName) {
  std::vector<std::filesystem::path> payloads;
  for (const char* encoding : {".xcdr2.bin", ".xcdr2-be.bin", ".xcdr1.bin", ".xcdr1-be.bin"}) {
    const std::filesystem::path file = test::TestData("golden/rich/" + sampleName + encoding);
    if (std::filesystem::exists(file)) payloads.push_back(file);
  }
  return payloads;
}

struct Dissected {
  std::string json;  // as handed to listeners
  Map map;
  ordered_json document;
  // Flat names of the two-dimensional arrays outside sequences -> their column count.
  std::map<std::string, unsigned long> twoDimensional;
};

Dissected DissectPayload(const GoldenSample& golden, const std::filesystem::path& payload,
                         const test::Formats& formats) {
  const xtypes::DynamicTypePtr type = test::RichTypes().Find(golden.type);
  if (!type) throw std::runtime_error("unknown type " + golden.type);
  xtypes::DynamicData data(type);
  cdr::from_cdr_buffer(data, test::ReadBytes(payload));
  const TypeProcessor processor(golden.type, type, formats.Flattening());
  const auto sample = test::Dissect(processor, data, formats);
  Dissected result{sample->Output().ToListenerJson(), sample->Output().MapPrint(),
                   ordered_json::parse(sample->Output().DocumentText()), {}};
  for (const auto& column : processor.Columns()) {
    const xtypes::DynamicType& t = *column->DT();
    if (column->isNode && t.kind() == xtypes::TypeKind::ARRAY && t.dimension_count() == 2)
      result.twoDimensional["SampleData." + column->nestedNameWithoutDiscriminators] = t.dimension(1);
  }
  return result;
}

// Cyclone's value of one member next to ours. Where the two forms differ by design: our
// two-dimensional arrays are flat and union discriminators are numbers.
void ExpectSameValue(const ordered_json& peer, const ordered_json& ours, const std::string& path) {
  if (peer.is_object()) {
    ASSERT_TRUE(ours.is_object()) << path;
    std::vector<std::string> peerKeys, ourKeys;
    for (const auto& [key, value] : peer.items()) peerKeys.push_back(key);
    for (const auto& [key, value] : ours.items()) ourKeys.push_back(key);
    ASSERT_EQ(ourKeys, peerKeys) << path;
    for (const auto& [key, value] : peer.items()) ExpectSameValue(value, ours[key], path + "." + key);
    return;
  }
  if (peer.is_array()) {
    ASSERT_TRUE(ours.is_array()) << path;
    ordered_json flat = peer;
    if (!peer.empty() && peer[0].is_array() && (ours.empty() || !ours[0].is_array())) {
      flat = ordered_json::array();
      for (const ordered_json& row : peer)
        for (const ordered_json& cell : row) flat.push_back(cell);
    }
    ASSERT_EQ(ours.size(), flat.size()) << path;
    for (std::size_t i = 0; i < flat.size(); ++i)
      ExpectSameValue(flat[i], ours[i], path + "[" + std::to_string(i) + "]");
    return;
  }
  const bool discriminator = path.size() >= 14 && path.substr(path.size() - 14) == ".discriminator";
  if (discriminator && peer.is_string() && ours.is_number()) {
    ASSERT_EQ(peer.get<std::string>().size(), 1u) << path;
    EXPECT_EQ(ours.get<std::uint64_t>(), static_cast<unsigned char>(peer.get<std::string>()[0])) << path;
    return;
  }
  if (discriminator && peer.is_boolean() && ours.is_number()) {
    EXPECT_EQ(ours.get<std::uint64_t>(), peer.get<bool>() ? 1u : 0u) << path;
    return;
  }
  if (peer.is_number_float() || ours.is_number_float()) {
    ASSERT_TRUE(ours.is_number()) << path;
    const double a = peer.get<double>();
    const double b = ours.get<double>();
    EXPECT_TRUE(a == b && std::signbit(a) == std::signbit(b)) << path << ": " << a << " vs " << b;
    return;
  }
  EXPECT_EQ(ours, peer) << path;
}

// Union selectors of multi-label and negative-label members are part of flat keys only.
std::string WithoutSelectors(const std::string& key) {
  std::string out;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (key.compare(i, 4, "{_d=") == 0) {
      const std::size_t close = key.find('}', i);
      if (close != std::string::npos) {
        i = close;
        continue;
      }
    }
    out += key[i];
  }
  return out;
}

// One value in its two texts: as the MAP holds it and as JsonValueToString renders the JSON.
bool SameValueText(const std::string& mapText, const std::string& jsonText) {
  if (mapText == jsonText) return true;
  // The document is read back from its text, where raw octets that are not UTF-8 were
  // replaced; the MAP keeps them as they are.
  constexpr auto kReplace = ordered_json::error_handler_t::replace;
  if (ordered_json(mapText).dump(-1, ' ', false, kReplace) == ordered_json(jsonText).dump()) return true;
  char* endA = nullptr;
  char* endB = nullptr;
  const double a = std::strtod(mapText.c_str(), &endA);
  const double b = std::strtod(jsonText.c_str(), &endB);
  if (*endA != '\0' || *endB != '\0' || mapText.empty()) return false;
  // Floats are 9 digits in the MAP and their widened double in the JSON.
  return a == b || static_cast<float>(a) == static_cast<float>(b);
}

// Where the two forms name a value differently by design: a two-dimensional array element
// 'm[1][2]' is element 1 x columns + 2 of the JSON's flat array, and a char or octet array
// shown as one value ('c[]') is the JSON string member 'c'.
Map AsJsonNames(const Map& map, const std::map<std::string, unsigned long>& twoDimensional) {
  static const std::regex twoIndexes(R"(\[(\d+)\]\[(\d+)\])");
  Map renamed;
  for (const auto& [key, value] : map) {
    std::string name = WithoutSelectors(key);
    if (name.size() > 2 && name.compare(name.size() - 2, 2, "[]") == 0) name.resize(name.size() - 2);
    std::smatch m;
    if (std::regex_search(name, m, twoIndexes) && twoDimensional.count(m.prefix().str())) {
      const unsigned long flat =
          std::stoul(m[1].str()) * twoDimensional.at(m.prefix().str()) + std::stoul(m[2].str());
      name = m.prefix().str() + "[" + std::to_string(flat) + "]" + m.suffix().str();
    }
    renamed.emplace(name, value);
  }
  return renamed;
}

void ExpectMapMatchesJson(const Dissected& ours, const std::string& what) {
  const Map& map = ours.map;
  Map fromJson;
  CommonHelperFunctions::JsonToMap(ours.document, "", fromJson);
  const Map normalized = AsJsonNames(map, ours.twoDimensional);
  ASSERT_EQ(normalized.size(), fromJson.size()) << what;
  for (const auto& [key, value] : normalized) {
    const auto it = fromJson.find(key);
    ASSERT_NE(it, fromJson.end()) << what << ": " << key;
    // Booleans in NUMERIC format are JSON true / false, rendered 1 / 0 like the MAP.
    EXPECT_TRUE(SameValueText(value, it->second))
        << what << ": " << key << " map '" << value << "' json '" << it->second << "'";
  }
  // And back: the MAP rebuilt as JSON holds the same texts at the same places.
  Map roundTrip;
  CommonHelperFunctions::JsonToMap(CommonHelperFunctions::MapToJson(map), "", roundTrip);
  Map withoutSelectors;
  for (const auto& [key, value] : map) {
    std::string name = WithoutSelectors(key);
    if (name.size() > 2 && name.compare(name.size() - 2, 2, "[]") == 0) name.resize(name.size() - 2);
    withoutSelectors.emplace(name, value);
  }
  for (const auto& [key, value] : withoutSelectors) {
    const auto it = roundTrip.find(key);
    EXPECT_TRUE(it != roundTrip.end() && it->second == value) << what << ": " << key;
  }
  // Empty sequences have no flat entries; an array element before a present one comes back
  // as a null placeholder.
  for (const auto& [key, value] : roundTrip) {
    if (!withoutSelectors.count(key)) {
      EXPECT_EQ(value, "null") << what << ": " << key;
    }
  }
}

bool Updating() {
  const char* update = std::getenv("VELTRANE_UPDATE_EXPECTED");
  return update != nullptr && std::string(update) == "1";
}

void CompareOrWrite(const std::filesystem::path& file, const std::string& text) {
  if (Updating()) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_EQ(text, test::ReadText(file)) << file;
}

TEST(GoldenDissection, EveryEncodingDissectsToTheExpectedTexts) {
  for (const GoldenSample& golden : GoldenSamples()) {
    const std::vector<std::filesystem::path> payloads = Payloads(golden.name);
    ASSERT_FALSE(payloads.empty()) << golden.name;
    for (const Variant& variant : Variants()) {
      const Dissected first = DissectPayload(golden, payloads.front(), variant.formats);
      for (std::size_t i = 1; i < payloads.size(); ++i) {
        const Dissected other = DissectPayload(golden, payloads[i], variant.formats);
        EXPECT_EQ(other.json, first.json) << payloads[i];
        EXPECT_EQ(other.map, first.map) << payloads[i];
      }
      const std::filesystem::path base =
          test::TestData("dissection/" + golden.name + "/" + variant.name);
      CompareOrWrite(base.string() + ".json", first.json + "\n");
      if (variant.formats.ordering == FieldsOrdering::TYPE_BASED_ORDERING)
        CompareOrWrite(base.string() + ".map", test::MapText(first.map));
    }
  }
}

TEST(GoldenDissection, ValuesAgreeWithCyclone) {
  for (const GoldenSample& golden : GoldenSamples()) {
    const ordered_json values = ordered_json::parse(
        test::ReadText(test::TestData("golden/rich/" + golden.valuesFile + ".json")));
    ordered_json peer;
    for (const ordered_json& sample : values["samples"])
      if (sample["name"] == golden.name) peer = sample["value"];
    const Dissected ours = DissectPayload(golden, Payloads(golden.name).front(), test::Formats{});
    ExpectSameValue(peer, ours.document["SampleData"], golden.name);
  }
}

TEST(GoldenDissection, MapAndJsonConvertIntoEachOther) {
  for (const GoldenSample& golden : GoldenSamples()) {
    for (const Variant& variant : Variants()) {
      const Dissected ours = DissectPayload(golden, Payloads(golden.name).front(), variant.formats);
      ExpectMapMatchesJson(ours, golden.name + "/" + variant.name);
    }
  }
}

TEST(GoldenDissection, WorkersShareOneProcessor) {
  // The column list and tables are read by every worker at once without a lock.
  const GoldenSample& golden = GoldenSamples()[2];
  const xtypes::DynamicTypePtr type = test::RichTypes().Find(golden.type);
  const test::Formats formats{.enumeration = EnumOutputFormat::VALUE_AND_NAME};
  const TypeProcessor processor(golden.type, type, formats.Flattening());
  const std::vector<std::uint8_t> payload = test::ReadBytes(Payloads(golden.name).front());
  const auto dissectOnce = [&] {
    xtypes::DynamicData data(type);
    cdr::from_cdr_buffer(data, payload);
    const auto sample = test::Dissect(processor, data, formats);
    return std::make_pair(sample->Output().ToJson(), sample->Output().MapPrint());
  };
  const auto expected = dissectOnce();
  std::atomic<int> mismatches{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < 200; ++i)
        if (dissectOnce() != expected) ++mismatches;
    });
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(GoldenDissection, InvalidUtf8FailsStrictJsonOnly) {
  // Octet arrays shown as one value carry raw bytes: the queued handle's JSON refuses them,
  // the listeners' JSON replaces them.
  const GoldenSample& golden = GoldenSamples()[1];
  ASSERT_EQ(golden.name, "final_extremes");
  test::Formats formats;
  formats.byteArray = ByteArrayFormat::BUFFER;
  const xtypes::DynamicTypePtr type = test::RichTypes().Find(golden.type);
  xtypes::DynamicData data(type);
  cdr::from_cdr_buffer(data, test::ReadBytes(Payloads(golden.name).front()));
  const TypeProcessor processor(golden.type, type, formats.Flattening());
  const auto sample = test::Dissect(processor, data, formats);
  EXPECT_THROW(sample->Output().ToJson(), nlohmann::json::type_error);
  EXPECT_NE(sample->Output().ToListenerJson().find("\xEF\xBF\xBD"), std::string::npos);
}

}  // namespace
}  // namespace Quorvel
