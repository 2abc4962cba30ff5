// The fast JSON reader builds exactly what nlohmann's parser builds (same value kinds, member
// order, repeated keys) or declines, so that the parser's answer and error stand.

#include "injection/InjectionInput.h"
#include "injection/JsonTextReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace Quorvel {
namespace {

using nlohmann::ordered_json;

// Equal values of equal kinds all the way down (== alone takes 1 and 1.0 for equal).
void ExpectSameDocument(const ordered_json& actual, const ordered_json& expected, const std::string& where) {
  ASSERT_EQ(actual.type(), expected.type()) << where;
  if (actual.is_object()) {
    ASSERT_EQ(actual.size(), expected.size()) << where;
    auto e = expected.begin();
    for (auto a = actual.begin(); a != actual.end(); ++a, ++e) {
      ASSERT_EQ(a.key(), e.key()) << where;
      ExpectSameDocument(a.value(), e.value(), where + "/" + a.key());
    }
  } else if (actual.is_array()) {
    ASSERT_EQ(actual.size(), expected.size()) << where;
    for (std::size_t i = 0; i < actual.size(); ++i)
      ExpectSameDocument(actual[i], expected[i], where + "/" + std::to_string(i));
  } else {
    EXPECT_EQ(actual.dump(), expected.dump()) << where;
  }
}

TEST(JsonTextReader, BuildsWhatTheParserBuilds) {
  const char* documents[] = {
      R"({"SampleData":{"seq":1,"keyval":0,"baggage":[0,1,255]}})",
      " \t\r\n{ \"a\" : [ ] , \"b\" : { } } \n",
      R"([0, -0, 1, -1, 18446744073709551615, 18446744073709551616, -9223372036854775808,
          -9223372036854775809, 1.0, -1.5e3, 2E-2, 1e+2, 0.1, 123456789012345678901234567890])",
      R"({"t": true, "f": false, "n": null, "s": "", "e": "q\"b\\s\/f\bf\fn\nr\rt\t", "del": "\u007f"})",
      R"({"k": 1, "j": 2, "k": 3})",
      R"("text")",
      "42",
      R"([[[[[[[[[[1]]]]]]]]]])",
  };
  for (const char* text : documents) {
    const ordered_json expected = ordered_json::parse(text);
    const std::optional<ordered_json> fast = injection::ReadJsonFast(text);
    if (std::string(text).find("\\u") == std::string::npos) {
      ASSERT_TRUE(fast.has_value()) << text;
    }
    if (fast) ExpectSameDocument(*fast, expected, text);
    ExpectSameDocument(injection::ParseInjectionJson(text), expected, text);
  }
}

TEST(JsonTextReader, LeavesTheRestToTheParser) {
  const char* declined[] = {
      "",        "  ",          "{",         "{\"a\" 1}",  "{\"a\":1,}", "[1,]",    "[1 2]",  "01",
      "1.",      ".5",          "-",         "1e",         "tru",        "nul",     "truex",  "1 2",
      "\"\x01\"", "\"caf\xc3\xa9\"", "\"\\u00e9\"", "\"\\x\"",   "1e400",    "{\"a\":1}}", "\xef\xbb\xbf{}",
  };
  for (const char* text : declined) {
    EXPECT_FALSE(injection::ReadJsonFast(text).has_value()) << text;
    // Whatever the parser makes of it stands, document or error.
    std::string parsed;
    std::string error;
    try {
      parsed = ordered_json::parse(text).dump();
    } catch (const std::exception& e) {
      error = std::string("Erroneous JSON string provided. Error:") + e.what();
    }
    try {
      EXPECT_EQ(injection::ParseInjectionJson(text).dump(), parsed) << text;
      EXPECT_TRUE(error.empty()) << text;
    } catch (const injection::InjectionInputError& e) {
      EXPECT_EQ(e.what(), error) << text;
    }
  }
}

// Packed, every array of numbers from 0 to 255 in plain digits becomes its bytes, and nothing
// else changes: read back as arrays, the document is the parser's.
TEST(JsonTextReader, PacksOnlyArraysOfSmallNumbersWhenAsked) {
  const struct {
    const char* text;
    int packedArrays;
  } cases[] = {
      {"[0, 1, 9, 10, 99, 100, 255]", 1}, {" [ 7 ,\n8\t] ", 1},  {R"({"a": [1], "b": [[2, 3], [4]]})", 3},
      {"[256]", 0},  {"[1000]", 0},  {"[-1]", 0},  {"[1.0]", 0},  {"[1e2]", 0},  {"[]", 0},
      {R"([1, "a"])", 0},  {"[1, true]", 0},  {"[1, null]", 0},  {"[0, 255, 25 5]", 0},
  };
  std::function<int(ordered_json&)> unpack = [&](ordered_json& value) {
    if (value.is_binary()) {
      ordered_json array = ordered_json::array();
      for (const std::uint8_t b : value.get_binary()) array.push_back(static_cast<std::uint64_t>(b));
      value = std::move(array);
      return 1;
    }
    int packed = 0;
    if (value.is_structured())
      for (auto& child : value) packed += unpack(child);
    return packed;
  };
  for (const auto& c : cases) {
    std::optional<ordered_json> packed = injection::ReadJsonFast(c.text, true);
    if (!packed) {
      EXPECT_ANY_THROW(ordered_json::parse(c.text).dump()) << c.text;
      continue;
    }
    EXPECT_EQ(unpack(*packed), c.packedArrays) << c.text;
    ExpectSameDocument(*packed, ordered_json::parse(c.text), c.text);
  }
  EXPECT_FALSE(injection::ReadJsonFast("[01]", true).has_value());
}

// A document released after injection keeps its shape and its scalars outside arrays, loses
// only the elements of arrays of plain values, and nesting of any depth is walked without
// recursion.
TEST(JsonTextReader, ReleasedDocumentsLoseOnlyTheirPlainArrays) {
  ordered_json document = ordered_json::parse(
      R"({"SampleData": {"n": 1, "seq": [1, 2, 3], "rows": [[1, 2], [3]], "list": [{"x": [4, 5], "y": 6}, 7],
           "s": ["a", null, true]}})");
  injection::ReleaseInjectionDocument(document);
  EXPECT_EQ(document.dump(),
            R"({"SampleData":{"n":1,"seq":[],"rows":[[],[]],"list":[{"x":[],"y":6},7],"s":[]}})");

  const std::size_t depth = 100000;
  ordered_json deep = ordered_json::parse(std::string(depth, '[') + "1" + std::string(depth, ']'));
  injection::ReleaseInjectionDocument(deep);
  const ordered_json* innermost = &deep;
  for (std::size_t k = 1; k < depth; ++k) innermost = &innermost->front();
  EXPECT_TRUE(innermost->is_array() && innermost->empty());
}

}  // namespace
}  // namespace Quorvel
