// The JSON text writer and the member sorter against the JSON library they replace: for every
// kind of value the bytes must be the ones the library printed (compact, replacing invalid
// UTF-8 for listeners), and strict serialisation must fail with the library's own message.

#include "dissection/JsonMemberSorter.h"
#include "dissection/JsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <vector>

namespace Quorvel {
namespace {

using nlohmann::ordered_json;
constexpr auto kReplace = ordered_json::error_handler_t::replace;

std::string LibraryText(const ordered_json& value) { return value.dump(-1, ' ', false, kReplace); }

// The library's strict-mode message for `value`, or empty when it serialises.
std::string LibraryStrictError(const ordered_json& value) {
  try {
    (void)value.dump();
    return {};
  } catch (const ordered_json::type_error& error) {
    return error.what();
  }
}

std::string Written(void (JsonWriter::*write)(double), double value) {
  JsonWriter writer;
  (writer.*write)(value);
  return writer.Text();
}

TEST(JsonWriter, DoublesAsTheLibraryPrintsThem) {
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kMin = std::numeric_limits<double>::denorm_min();
  const std::vector<double> fixed = {0.0,     -0.0,    1.0,     -1.0,    0.1,     0.5,    1e15,
                                     1e16,    1e17,    1e20,    1e21,    1e22,    1e23,   1e-4,
                                     1e-5,    1.5e-5,  123.456, 1e300,   -1e-300, kMax,   -kMax,
                                     kMin,    2.5e-308, 9007199254740993.0, 0.30000000000000004,
                                     static_cast<double>(0.1f), static_cast<double>(3.4e38f),
                                     std::nan(""), std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity()};
  for (const double value : fixed)
    EXPECT_EQ(Written(&JsonWriter::Double, value), LibraryText(value)) << value;

  // Random bit patterns, floats widened to double (as float members are written) and short
  // decimals: the library's digits are not always the shortest, so every kind is compared.
  std::mt19937_64 random(20261205);
  int compared = 0;
  for (int i = 0; i < 300000; ++i) {
    const std::uint64_t bits = random();
    double value = 0;
    if (i % 3 == 0) {
      std::memcpy(&value, &bits, sizeof value);
    } else if (i % 3 == 1) {
      const auto low = static_cast<std::uint32_t>(bits);
      float single = 0;
      std::memcpy(&single, &low, sizeof single);
      value = single;
    } else {
      value = static_cast<double>(static_cast<std::int64_t>(bits % 2000001) - 1000000) /
              static_cast<double>(1 + (bits >> 40) % 1000);
    }
    const std::string expected = LibraryText(value);
    const std::string actual = Written(&JsonWriter::Double, value);
    if (actual != expected) {
      ADD_FAILURE() << "bits " << bits << ": " << actual << " != " << expected;
      if (++compared > 10) break;
    }
  }
}

TEST(JsonWriter, IntegersBooleansNullAndStructure) {
  JsonWriter writer;
  ordered_json expected = ordered_json::object();
  writer.BeginObject();
  writer.Key("min");
  writer.Signed(std::numeric_limits<std::int64_t>::min());
  expected["min"] = std::numeric_limits<std::int64_t>::min();
  writer.Key("max");
  writer.Unsigned(std::numeric_limits<std::uint64_t>::max());
  expected["max"] = std::numeric_limits<std::uint64_t>::max();
  writer.QuotedKeyText(JsonWriter::QuotedKey("flags"));
  writer.BeginArray();
  writer.Bool(true);
  writer.Bool(false);
  writer.Null();
  writer.Signed(-7);
  writer.Unsigned(0);
  writer.BeginObject();
  writer.EndObject();
  writer.BeginArray();
  writer.EndArray();
  writer.String("");
  writer.EndArray();
  expected["flags"] = ordered_json::array(
      {true, false, nullptr, -7, 0u, ordered_json::object(), ordered_json::array(), ""});
  // A member taken back leaves no trace, not even its separator.
  const std::size_t mark = writer.Mark();
  writer.Key("dropped");
  writer.Signed(1);
  writer.Rewind(mark);
  writer.Key("nested");
  writer.BeginObject();
  writer.Key("x");
  writer.Double(2.0);
  writer.EndObject();
  expected["nested"]["x"] = 2.0;
  writer.EndObject();
  EXPECT_EQ(writer.Text(), LibraryText(expected));
}

struct StringCase {
  const char* what;
  std::string bytes;
};

std::vector<StringCase> StringCases() {
  std::string controls;
  for (int c = 0; c < 0x20; ++c) controls += static_cast<char>(c);
  return {
      {"plain", "hello world"},
      {"empty", ""},
      {"controls", controls},
      {"quote, backslash, slash, DEL", "a\"b\\c/d\x7F"},
      {"two, three and four bytes", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"largest code point", "\xF4\x8F\xBF\xBF"},
      {"lone continuation byte", "a\x80z"},
      {"bytes that never start a sequence", "\xC0\xC1\xF5\xFF\xFE"},
      {"overlong two bytes", "\xC0\xAF"},
      {"overlong three bytes", "\xE0\x80\xAF"},
      {"surrogate", "\xED\xA0\x80"},
      {"past U+10FFFF", "\xF4\x90\x80\x80"},
      {"cut off at the end", "ok\xE2\x82"},
      {"cut off by ASCII", "\xE2\x82" "A"},
      {"cut off by a new lead byte", "\xE2\xC3\xA9"},
      {"four-byte cut after three", "\xF0\x9F\x98" "x"},
      {"raw octets", std::string("\x00\x01\x02\x7F\x80\x81\xFE\xFF", 8)},
  };
}

// One-byte integers come from tables of ready texts (octets two at a time): every pair of
// values, every length's parity, after another member or first in the array, and across the
// writer's internal chunks.
template <typename T>
void ExpectOneByteNumbersAsTheLibrary(const std::vector<T>& values) {
  for (const bool afterAnother : {false, true}) {
    JsonWriter writer;
    writer.BeginArray();
    ordered_json expected = ordered_json::array();
    if (afterAnother) {
      writer.Unsigned(7);
      expected.push_back(7);
    }
    writer.Numbers(std::span<const T>(values));
    for (const T value : values) expected.push_back(value);
    writer.EndArray();
    ASSERT_EQ(writer.Text(), LibraryText(expected)) << values.size() << " " << afterAnother;
  }
}

TEST(JsonWriter, OneByteNumbersAsTheLibraryPrintsThem) {
  // Every pair of octets in both positions: each value after every value, at even and odd
  // offsets.
  std::vector<std::uint8_t> octets;
  for (unsigned pair = 0; pair < 65536; ++pair) {
    octets.push_back(static_cast<std::uint8_t>(pair & 0xFF));
    octets.push_back(static_cast<std::uint8_t>(pair >> 8));
  }
  for (const std::size_t skip : {0u, 1u}) {
    ExpectOneByteNumbersAsTheLibrary(std::vector<std::uint8_t>(octets.begin() + skip, octets.end()));
  }
  std::vector<std::int8_t> signedBytes;
  for (unsigned pair = 0; pair < 65536; ++pair) {
    signedBytes.push_back(static_cast<std::int8_t>(pair & 0xFF));
    signedBytes.push_back(static_cast<std::int8_t>(pair >> 8));
  }
  ExpectOneByteNumbersAsTheLibrary(signedBytes);
  std::mt19937 random(11);
  for (std::size_t size = 0; size < 20; ++size) {
    std::vector<std::uint8_t> some(size);
    for (auto& value : some) value = static_cast<std::uint8_t>(random());
    ExpectOneByteNumbersAsTheLibrary(some);
  }
}

TEST(JsonWriter, StringsEscapedAndInvalidUtf8ReplacedAsTheLibraryDoes) {
  for (const StringCase& c : StringCases()) {
    JsonWriter writer;
    writer.String(c.bytes);
    EXPECT_EQ(writer.Text(), LibraryText(c.bytes)) << c.what;
    const std::string strict = LibraryStrictError(c.bytes);
    EXPECT_EQ(writer.FirstUtf8Error().empty() ? std::string()
                                              : "[json.exception.type_error.316] " +
                                                    writer.FirstUtf8Error(),
              strict)
        << c.what;
    // Keys go through the same escaping.
    EXPECT_EQ(JsonWriter::QuotedKey(c.bytes), LibraryText(c.bytes) + ":") << c.what;
  }
}

TEST(JsonWriter, RandomByteStringsMatchTheLibrary) {
  // Short strings over an alphabet rich in lead, continuation and control bytes.
  const std::string alphabet("a\"\\\x01\x1F\x7F\x80\x9F\xA0\xBF\xC2\xDF\xE0\xE1\xED\xEF\xF0\xF4\xF5\xFF", 21);
  std::mt19937 random(7);
  for (int i = 0; i < 50000; ++i) {
    std::string bytes(random() % 9, ' ');
    for (char& byte : bytes) byte = alphabet[random() % alphabet.size()];
    JsonWriter writer;
    writer.String(bytes);
    ASSERT_EQ(writer.Text(), LibraryText(bytes)) << testing::PrintToString(bytes);
    const std::string strict = LibraryStrictError(bytes);
    ASSERT_EQ(strict.empty(), writer.FirstUtf8Error().empty());
    if (!strict.empty()) {
      ASSERT_EQ(strict, "[json.exception.type_error.316] " + writer.FirstUtf8Error());
    }
  }
}

TEST(JsonWriter, FirstInvalidStringOfADocumentIsTheOneReported) {
  JsonWriter writer;
  writer.BeginArray();
  writer.String("fine");
  writer.String("x\xFFy");
  writer.String("\xE2\x82");
  writer.EndArray();
  const ordered_json document = {"fine", "x\xFFy", "\xE2\x82"};
  EXPECT_EQ("[json.exception.type_error.316] " + writer.FirstUtf8Error(), LibraryStrictError(document));
  EXPECT_EQ(writer.Text(), LibraryText(document));
}

// A random document of objects, arrays and scalars, keys drawn from a small set so that
// objects get members in every order (no key twice in one object, as the library keeps one).
ordered_json RandomDocument(std::mt19937& random, int depth) {
  static const std::vector<std::string> keys = {"b", "a", "B", "ab", "a.b", "_", "z9", "Z",
                                               "a\"q", "\xC3\xA9t\xC3\xA9", "", "aa"};
  const int kind = depth == 0 ? static_cast<int>(random() % 4) : static_cast<int>(random() % 6);
  switch (kind) {
    case 0: return static_cast<std::int64_t>(random() % 1000) - 500;
    case 1: return "t" + std::to_string(random() % 10) + ",}]:{";
    case 2: return static_cast<double>(random() % 1000) / 8.0;
    case 3: return nullptr;
    case 4: {
      ordered_json array = ordered_json::array();
      for (std::uint32_t n = random() % 4; n > 0; --n) array.push_back(RandomDocument(random, depth - 1));
      return array;
    }
    default: {
      ordered_json object = ordered_json::object();
      for (std::uint32_t n = random() % 6; n > 0; --n)
        object[keys[random() % keys.size()]] = RandomDocument(random, depth - 1);
      return object;
    }
  }
}

TEST(JsonMemberSorter, SortsEveryLevelAsTheLibrarysSortedObjectsDo) {
  std::mt19937 random(11);
  std::string sorted;
  for (int i = 0; i < 3000; ++i) {
    ordered_json document = ordered_json::object();
    document["SampleData"] = RandomDocument(random, 4);
    document["SampleMetaData"] = RandomDocument(random, 3);
    JsonMemberSorter::SortMembersByName(LibraryText(document), sorted);
    ASSERT_EQ(sorted, nlohmann::json(document).dump()) << LibraryText(document);
  }
  // Equal names (structure members that repeat a base member): the first one stays.
  JsonMemberSorter::SortMembersByName(R"({"b":1,"a":{"y":[{"d":0,"c":1}],"x":2},"b":3})", sorted);
  EXPECT_EQ(sorted, R"({"a":{"x":2,"y":[{"c":1,"d":0}]},"b":1})");
  JsonMemberSorter::SortMembersByName("null", sorted);
  EXPECT_EQ(sorted, "null");
  EXPECT_THROW(JsonMemberSorter::SortMembersByName(R"({"a":1)", sorted), std::logic_error);
}

}  // namespace
}  // namespace Quorvel
