// Long texts are escaped eight plain bytes at a time. Every byte that needs attention (the
// edges of the control range, quote, backslash, DEL, and UTF-8 lead and continuation bytes)
// is placed at every offset of a long plain text, and random long texts follow; the escaped
// text must be the JSON library's, replacement of invalid UTF-8 included.

#include "dissection/JsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>

namespace Quorvel {
namespace {

std::string LibraryText(const std::string& bytes) {
  return nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Written(const std::string& bytes) {
  JsonWriter writer;
  writer.String(bytes);
  return writer.Text();
}

TEST(JsonWriterLongText, EachSpecialByteAtEveryOffsetOfAPlainText) {
  const std::string specials("\x00\x1F\x20\x21\"\\\x5B\x5D\x7E\x7F\x80\xBF\xC3\xE2\xF0\xFF", 16);
  const std::string utf8 = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  for (const char special : specials) {
    for (std::size_t offset = 0; offset < 40; ++offset) {
      std::string text(40, 'k');
      text[offset] = special;
      ASSERT_EQ(Written(text), LibraryText(text)) << testing::PrintToString(text);
      // Valid multi-byte characters straddling the eight-byte steps.
      std::string mixed(offset, 'p');
      mixed += utf8;
      mixed += std::string(17, 'q');
      ASSERT_EQ(Written(mixed), LibraryText(mixed)) << testing::PrintToString(mixed);
    }
  }
}

TEST(JsonWriterLongText, RandomLongTextsMatchTheLibrary) {
  std::mt19937 random(1205);
  for (int i = 0; i < 20000; ++i) {
    std::string text(random() % 100, ' ');
    for (char& byte : text) {
      // Mostly printable ASCII, so that plain words occur, with any byte now and then.
      byte = random() % 16 == 0 ? static_cast<char>(random() % 256)
                                : static_cast<char>(0x20 + random() % 0x5F);
    }
    ASSERT_EQ(Written(text), LibraryText(text)) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace Quorvel
