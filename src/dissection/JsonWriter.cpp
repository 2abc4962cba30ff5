#include "dissection/JsonWriter.h"

// Doubles are printed by the JSON library's own formatter: its digits are not always the
// shortest ones that std::to_chars finds, and the texts must not change.
#include <nlohmann/detail/conversions/to_chars.hpp>

#include <algorithm>
#include <bit>
#include <memory>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace Quorvel {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

// Bytes that the plain copy loop must stop at: controls, quote, backslash and all non-ASCII.
constexpr std::array<bool, 256> kNeedsAttention = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
  return table;
}();

// True when none of the eight bytes at `p` needs attention (the kNeedsAttention test made on a
// whole word): long plain texts are then skipped eight bytes per step.
bool PlainWord(const unsigned char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if ((word & kHighs) != 0) return false;
  // With every high bit clear, a byte below the bound (or equal to the byte compared) is what
  // borrows into its own high bit.
  const auto below = [&](std::uint64_t bound) { return (word - bound * kOnes) & ~word & kHighs; };
  const auto equal = [&](std::uint64_t c) {
    const std::uint64_t x = word ^ (c * kOnes);
    return (x - kOnes) & ~x & kHighs;
  };
  return (below(0x20) | equal('"') | equal('\\')) == 0;
}

std::string HexByte(unsigned char byte) {
  return {'0', 'x', kHexUpper[byte >> 4], kHexUpper[byte & 0x0F]};
}

// RFC 3629: the length of a sequence by its lead byte and the range allowed for its second byte
// (which rules out overlong forms, surrogates and code points past U+10FFFF); length 0 for a
// byte that cannot start a sequence.
struct LeadByte {
  std::size_t length;
  unsigned char secondLow;
  unsigned char secondHigh;
};

LeadByte Classify(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

void AppendControl(std::string& out, unsigned char c) {
  switch (c) {
    case '\b': out += "\\b"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\f': out += "\\f"; return;
    case '\r': out += "\\r"; return;
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    default: {
      const char escape[] = {'\\', 'u', '0', '0', kHexLower[c >> 4], kHexLower[c & 0x0F]};
      out.append(escape, sizeof escape);
    }
  }
}

// Appends `value` escaped; invalid UTF-8 becomes U+FFFD the way the JSON library's replacing
// serialiser does it: a byte that cannot start a sequence is replaced on its own, a sequence
// broken by an unexpected byte is replaced and that byte read again as a new start, and a
// sequence cut off by the end of the text is replaced once. The first fault's message (the
// library's strict-mode text) goes to `firstError` when that is still empty.
void EscapeInto(std::string& out, std::string_view value, std::string& firstError) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
  const std::size_t size = value.size();
  std::size_t runStart = 0;
  std::size_t i = 0;
  const auto flush = [&](std::size_t end) { out.append(value.data() + runStart, end - runStart); };
  const auto fault = [&](std::string message) {
    out += kReplacementCharacter;
    if (firstError.empty()) firstError = std::move(message);
  };
  while (i < size) {
    if (size - i >= 8 && PlainWord(bytes + i)) {
      i += 8;
      continue;
    }
    const unsigned char c = bytes[i];
    if (!kNeedsAttention[c]) {
      ++i;
      continue;
    }
    if (c < 0x80) {
      flush(i);
      AppendControl(out, c);
      runStart = ++i;
      continue;
    }
    const LeadByte lead = Classify(c);
    if (lead.length == 0) {
      flush(i);
      fault("invalid UTF-8 byte at index " + std::to_string(i) + ": " + HexByte(c));
      runStart = ++i;
      continue;
    }
    std::size_t next = i + 1;
    bool broken = false;
    for (std::size_t k = 1; k < lead.length; ++k, ++next) {
      if (next >= size) {
        flush(i);
        fault("incomplete UTF-8 string; last byte: " + HexByte(bytes[size - 1]));
        runStart = i = size;
        broken = true;
        break;
      }
      const unsigned char low = k == 1 ? lead.secondLow : 0x80;
      const unsigned char high = k == 1 ? lead.secondHigh : 0xBF;
      if (bytes[next] < low || bytes[next] > high) {
        flush(i);
        fault("invalid UTF-8 byte at index " + std::to_string(next) + ": " + HexByte(bytes[next]));
        runStart = i = next;
        broken = true;
        break;
      }
    }
    if (!broken) i = next;
  }
  flush(size);
}

// The separator and the digits in one append.
template <typename T>
void AppendInteger(std::string& out, T value, bool comma) {
  char digits[24];
  char* end = digits;
  if (comma) *end++ = ',';
  end = std::to_chars(end, digits + sizeof digits, value).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
}

// ",<decimal>" for every value of a one-byte integer, padded to 8 bytes so that a copy of a
// whole entry is one store: octet collections dominate large samples.
struct ByteNumberTexts {
  explicit constexpr ByteNumberTexts(bool isSigned) {
    for (unsigned index = 0; index < 256; ++index) {
      int value = isSigned && index >= 128 ? static_cast<int>(index) - 256 : static_cast<int>(index);
      char* entry = text[index];
      unsigned size = 0;
      entry[size++] = ',';
      if (value < 0) {
        entry[size++] = '-';
        value = -value;
      }
      if (value >= 100) entry[size++] = static_cast<char>('0' + value / 100);
      if (value >= 10) entry[size++] = static_cast<char>('0' + value / 10 % 10);
      entry[size++] = static_cast<char>('0' + value % 10);
      sizes[index] = static_cast<unsigned char>(size);
    }
  }
  char text[256][8] = {};
  unsigned char sizes[256] = {};
};
constexpr ByteNumberTexts kUnsignedBytes(false);
constexpr ByteNumberTexts kSignedBytes(true);

// ",<decimal>,<decimal>" for every pair of unsigned octets, the first in the low byte: at most
// 8 bytes, so that a pair too is one load and one store. Made once, on first use (576 KiB).
struct OctetPairTexts {
  OctetPairTexts() {
    for (unsigned pair = 0; pair < 65536; ++pair) {
      const unsigned first = pair & 0xFF;
      const unsigned second = pair >> 8;
      std::memcpy(text[pair], kUnsignedBytes.text[first], kUnsignedBytes.sizes[first]);
      std::memcpy(text[pair] + kUnsignedBytes.sizes[first], kUnsignedBytes.text[second],
                  kUnsignedBytes.sizes[second]);
      sizes[pair] = static_cast<unsigned char>(kUnsignedBytes.sizes[first] +
                                               kUnsignedBytes.sizes[second]);
    }
  }
  char text[65536][8] = {};
  unsigned char sizes[65536] = {};
};

const OctetPairTexts& PairTexts() {
  static const std::unique_ptr<const OctetPairTexts> table = std::make_unique<OctetPairTexts>();
  return *table;
}

// Each element's (or unsigned pair's) text is copied whole (8 bytes) into a buffer on the
// stack and the cursor moved by its length; the buffer goes to `out` in chunks.
template <typename T>
void AppendByteNumbers(std::string& out, std::span<const T> values, bool comma) {
  if (values.empty()) return;
  const ByteNumberTexts& table = std::is_signed_v<T> ? kSignedBytes : kUnsignedBytes;
  const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
  const std::size_t count = values.size();
  std::size_t i = 0;
  char buffer[4096];
  char* cursor = buffer;
  if (!comma) {
    const unsigned char first = bytes[0];
    std::memcpy(cursor, table.text[first] + 1, sizeof table.text[0] - 1);
    cursor += table.sizes[first] - 1u;
    i = 1;
  }
  // The widest text of an element (",-128") or a pair (",255,255") and the slack of the last
  // whole copy fit in what is left.
  constexpr std::size_t kPerChunk = (sizeof buffer - 16) / 5;
  const OctetPairTexts* pairs = std::is_signed_v<T> ? nullptr : &PairTexts();
  while (i < count) {
    const std::size_t chunkEnd = std::min(count, i + kPerChunk);
    if (pairs != nullptr) {
#pragma GCC unroll 4
      for (; i + 2 <= chunkEnd; i += 2) {
        // Read once: the stores through `cursor` may alias the elements.
        std::uint16_t pair;
        std::memcpy(&pair, bytes + i, sizeof pair);
        if constexpr (std::endian::native == std::endian::big) {
          pair = static_cast<std::uint16_t>((pair >> 8) | (pair << 8));
        }
        std::memcpy(cursor, pairs->text[pair], sizeof pairs->text[0]);
        cursor += pairs->sizes[pair];
      }
    }
#pragma GCC unroll 8
    for (; i < chunkEnd; ++i) {
      const unsigned char value = bytes[i];
      std::memcpy(cursor, table.text[value], sizeof table.text[0]);
      cursor += table.sizes[value];
    }
    out.append(buffer, static_cast<std::size_t>(cursor - buffer));
    cursor = buffer;
  }
  if (cursor != buffer) out.append(buffer, static_cast<std::size_t>(cursor - buffer));
}

template <typename T>
char* WriteNumber(char* cursor, char* limit, T value) {
  if constexpr (std::is_floating_point_v<T>) {
    const double number = static_cast<double>(value);
    if (!std::isfinite(number)) {
      for (const char c : std::string_view("null")) *cursor++ = c;
      return cursor;
    }
    return nlohmann::detail::to_chars(cursor, limit, number);
  } else {
    return std::to_chars(cursor, limit, value).ptr;
  }
}

// Writes every element at the end of `out` (the first after a comma when `comma`), through a
// buffer on the stack: the string only ever receives the bytes written.
template <typename T>
void AppendNumbers(std::string& out, std::span<const T> values, bool comma) {
  if constexpr (sizeof(T) == 1) {
    AppendByteNumbers(out, values, comma);
  } else {
    // A comma and the longest text of one element: sign and digits, or the longest double.
    constexpr std::size_t kWidest = std::is_floating_point_v<T> ? 26 : 22;
    char buffer[4096];
    char* const limit = buffer + sizeof buffer;
    char* cursor = buffer;
    for (const T value : values) {
      if (limit - cursor < static_cast<std::ptrdiff_t>(kWidest)) {
        out.append(buffer, static_cast<std::size_t>(cursor - buffer));
        cursor = buffer;
      }
      if (comma) *cursor++ = ',';
      comma = true;
      cursor = WriteNumber(cursor, limit, value);
    }
    out.append(buffer, static_cast<std::size_t>(cursor - buffer));
  }
}

}  // namespace

void JsonWriter::BeginObject() {
  Separate();
  text += '{';
}

void JsonWriter::BeginArray() {
  Separate();
  text += '[';
}

void JsonWriter::Key(std::string_view name) {
  Separate();
  // Names are short and plain: quoted whole and appended in one step.
  constexpr std::size_t kShortName = 64;
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
  if (name.size() <= kShortName &&
      std::none_of(bytes, bytes + name.size(), [](unsigned char c) { return kNeedsAttention[c]; })) {
    char quoted[kShortName + 3];
    quoted[0] = '"';
    std::memcpy(quoted + 1, name.data(), name.size());
    quoted[name.size() + 1] = '"';
    quoted[name.size() + 2] = ':';
    text.append(quoted, name.size() + 3);
    return;
  }
  text += '"';
  AppendEscaped(name);
  text += "\":";
}

void JsonWriter::QuotedKeyText(std::string_view quotedKey) {
  Separate();
  text += quotedKey;
}

void JsonWriter::Null() {
  Separate();
  text += "null";
}

void JsonWriter::Bool(bool value) {
  Separate();
  text += value ? "true" : "false";
}

void JsonWriter::Signed(std::int64_t value) { AppendInteger(text, value, NeedsSeparator()); }

void JsonWriter::Unsigned(std::uint64_t value) { AppendInteger(text, value, NeedsSeparator()); }

#define VELTRANE_JSON_NUMBERS(T)                                                   \
  void JsonWriter::Numbers(std::span<const T> values) {                            \
    AppendNumbers(text, values, NeedsSeparator());                                 \
  }
VELTRANE_JSON_NUMBERS(std::uint8_t)
VELTRANE_JSON_NUMBERS(std::int8_t)
VELTRANE_JSON_NUMBERS(std::int16_t)
VELTRANE_JSON_NUMBERS(std::uint16_t)
VELTRANE_JSON_NUMBERS(std::int32_t)
VELTRANE_JSON_NUMBERS(std::uint32_t)
VELTRANE_JSON_NUMBERS(std::int64_t)
VELTRANE_JSON_NUMBERS(std::uint64_t)
VELTRANE_JSON_NUMBERS(float)
VELTRANE_JSON_NUMBERS(double)
#undef VELTRANE_JSON_NUMBERS

void JsonWriter::Double(double value) {
  Separate();
  if (!std::isfinite(value)) {
    text += "null";
    return;
  }
  char digits[64];
  const char* end = nlohmann::detail::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, static_cast<std::size_t>(end - digits));
}

void JsonWriter::String(std::string_view value) {
  Separate();
  text += '"';
  AppendEscaped(value);
  text += '"';
}

void JsonWriter::PlainString(std::string_view value) {
  Separate();
  text += '"';
  text += value;
  text += '"';
}

void JsonWriter::Discarded() {
  Separate();
  text += "<discarded>";
}

void JsonWriter::Raw(std::string_view json) {
  Separate();
  text += json;
}

void JsonWriter::Clear() {
  text.clear();
  firstUtf8Error.clear();
}

void JsonWriter::AppendEscaped(std::string_view value) { EscapeInto(text, value, firstUtf8Error); }

std::string JsonWriter::QuotedKey(std::string_view name) {
  JsonWriter writer;
  writer.Key(name);
  return std::move(writer.text);
}

}  // namespace Quorvel
