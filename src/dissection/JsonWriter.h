#pragma once

// Compact JSON text appended straight into one string: the dissection writes every member as
// it walks a sample, so no document is built per sample. The text is the one the JSON library
// printed for the same values (compact, non-ASCII unescaped, shortest round-trip doubles,
// invalid UTF-8 replaced by U+FFFD); the first invalid UTF-8 is remembered with the library's
// error text, so that strict serialisation can refuse the document as before.
//
// Separators follow from the text itself: a value or key after another one gets a comma.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Quorvel {

class JsonWriter {
 public:
  void BeginObject();
  void EndObject() { text += '}'; }
  void BeginArray();
  void EndArray() { text += ']'; }

  void Key(std::string_view name);
  // A key made once by QuotedKey (the quoted, escaped name and its colon).
  void QuotedKeyText(std::string_view quotedKey);
  void Null();
  void Bool(bool value);
  void Signed(std::int64_t value);
  void Unsigned(std::uint64_t value);
  void Double(double value);
  void String(std::string_view value);
  // A text that needs no escaping (printable ASCII without quote or backslash), such as the
  // numbers, GUIDs and times this library formats itself; written without the escaping scan.
  void PlainString(std::string_view value);
  // The elements of a number collection, inside an array already begun: the text Signed,
  // Unsigned or Double writes for each, with the room made once for the whole run.
  void Numbers(std::span<const std::uint8_t> values);
  void Numbers(std::span<const std::int8_t> values);
  void Numbers(std::span<const std::int16_t> values);
  void Numbers(std::span<const std::uint16_t> values);
  void Numbers(std::span<const std::int32_t> values);
  void Numbers(std::span<const std::uint32_t> values);
  void Numbers(std::span<const std::int64_t> values);
  void Numbers(std::span<const std::uint64_t> values);
  void Numbers(std::span<const float> values);
  void Numbers(std::span<const double> values);
  // What the JSON library printed for a discarded value inside an array.
  void Discarded();
  // A complete JSON value written elsewhere.
  void Raw(std::string_view json);
  // Text that continues what was written last, without a separator.
  void Continue(std::string_view json) { text += json; }

  std::size_t Mark() const { return text.size(); }
  void Rewind(std::size_t mark) { text.resize(mark); }
  void Reserve(std::size_t size) { text.reserve(size); }
  bool Empty() const { return text.empty(); }
  char Last() const { return text.back(); }
  void DropLast() { text.pop_back(); }
  void Clear();

  const std::string& Text() const { return text; }
  // Writes into `buffer` (emptied, its capacity kept) instead of the text's own; only before
  // anything was written.
  void AdoptBuffer(std::string buffer) {
    buffer.clear();
    text = std::move(buffer);
  }
  // The text with its buffer, leaving this writer empty.
  std::string ReleaseText() { return std::move(text); }
  // The JSON library's message for the first invalid UTF-8 written; empty when there was none.
  const std::string& FirstUtf8Error() const { return firstUtf8Error; }

  static std::string QuotedKey(std::string_view name);

 private:
  // A value or key written now follows another one.
  bool NeedsSeparator() const {
    if (text.empty()) return false;
    const char last = text.back();
    return last != '{' && last != '[' && last != ':';
  }
  void Separate() {
    if (NeedsSeparator()) text += ',';
  }
  void AppendEscaped(std::string_view value);

  std::string text;
  std::string firstUtf8Error;
};

}  // namespace Quorvel
