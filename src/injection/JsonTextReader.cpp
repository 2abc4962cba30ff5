#include "injection/JsonTextReader.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>
#include <system_error>

namespace Quorvel::injection {

namespace {

using nlohmann::ordered_json;

// Beyond this the recursion hands over to nlohmann's parser, which keeps its own stack.
constexpr int kMaxDepth = 256;

class FastReader {
 public:
  FastReader(std::string_view text, bool packByteArrays)
      : at(text.data()), end(text.data() + text.size()), packByteArrays(packByteArrays) {}

  bool ReadDocument(ordered_json& out) {
    if (!ReadValue(out, 0)) return false;
    SkipSpace();
    return at == end;
  }

 private:
  static bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

  void SkipSpace() {
    while (at != end && IsSpace(*at)) ++at;
  }

  bool ReadValue(ordered_json& out, int depth) {
    SkipSpace();
    if (at == end) return false;
    switch (*at) {
      case '{': return depth < kMaxDepth && ReadObject(out, depth + 1);
      case '[': return depth < kMaxDepth && ReadArray(out, depth + 1);
      case '"': {
        std::string text;
        if (!ReadString(text)) return false;
        out = std::move(text);
        return true;
      }
      case 't': return ReadLiteral("true", out, ordered_json(true));
      case 'f': return ReadLiteral("false", out, ordered_json(false));
      case 'n': return ReadLiteral("null", out, ordered_json(nullptr));
      default: return ReadNumber(out);
    }
  }

  bool ReadLiteral(std::string_view word, ordered_json& out, ordered_json value) {
    if (static_cast<std::size_t>(end - at) < word.size() || std::string_view(at, word.size()) != word)
      return false;
    at += word.size();
    out = std::move(value);
    return true;
  }

  bool ReadObject(ordered_json& out, int depth) {
    ++at;  // '{'
    out = ordered_json::object();
    SkipSpace();
    if (at != end && *at == '}') {
      ++at;
      return true;
    }
    std::string key;
    while (true) {
      SkipSpace();
      if (at == end || *at != '"' || !ReadString(key)) return false;
      SkipSpace();
      if (at == end || *at != ':') return false;
      ++at;
      // As nlohmann's parser: a repeated key keeps its first place and takes the last value.
      if (!ReadValue(out[key], depth)) return false;
      SkipSpace();
      if (at == end) return false;
      if (*at == ',') {
        ++at;
        continue;
      }
      if (*at != '}') return false;
      ++at;
      return true;
    }
  }

  bool ReadArray(ordered_json& out, int depth) {
    ++at;  // '['
    out = ordered_json::array();
    auto& elements = out.get_ref<ordered_json::array_t&>();
    SkipSpace();
    if (at != end && *at == ']') {
      ++at;
      return true;
    }
    if (packByteArrays && ReadByteArray(out)) return true;
    elements.reserve(FlatElementCount());
    while (true) {
      SkipSpace();
      // Numbers, the bulk of large arrays, are constructed in place as what they are.
      if (at != end && (IsDigit(*at) || *at == '-')) {
        if (!AppendNumber(elements)) return false;
      } else if (!ReadValue(elements.emplace_back(), depth)) {
        return false;
      }
      SkipSpace();
      if (at == end) return false;
      if (*at == ',') {
        ++at;
        continue;
      }
      if (*at != ']') return false;
      ++at;
      return true;
    }
  }

  // The rest of an array (the cursor on its first element) when every element is one of "0" to
  // "255": stored as bytes in a binary value. Anything else leaves the cursor where it was.
  bool ReadByteArray(ordered_json& out) {
    // No element of such an array holds a ']', so the first one bounds the element count.
    const void* close = std::memchr(at, ']', static_cast<std::size_t>(end - at));
    if (close == nullptr) return false;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(static_cast<const char*>(close) - at) / 2 + 1);
    const char* p = at;
    while (true) {
      if (p == end || !IsDigit(*p)) return false;
      unsigned value = static_cast<unsigned>(*p++ - '0');
      // JSON has no leading zeros: "01" is the parser's to refuse.
      for (int more = 0; value != 0 && more < 2 && p != end && IsDigit(*p); ++more)
        value = value * 10 + static_cast<unsigned>(*p++ - '0');
      if (value > 255 || (p != end && (IsDigit(*p) || *p == '.' || *p == 'e' || *p == 'E'))) return false;
      bytes.push_back(static_cast<std::uint8_t>(value));
      while (p != end && IsSpace(*p)) ++p;
      if (p == end) return false;
      if (*p == ']') break;
      if (*p != ',') return false;
      ++p;
      while (p != end && IsSpace(*p)) ++p;
    }
    at = p + 1;
    out = ordered_json::binary(std::move(bytes));
    return true;
  }

  // The element count of an array of numbers and literals ahead (commas up to its ']'), so
  // that the array is sized once; a guess of 16 when anything nested or quoted comes first.
  std::size_t FlatElementCount() const {
    std::size_t commas = 0;
    for (const char* p = at; p != end; ++p) {
      if (*p == ',') ++commas;
      else if (*p == ']') return commas + 1;
      else if (*p == '[' || *p == '{' || *p == '"') break;
    }
    return 16;
  }

  // ASCII text with the short escapes; anything else is left to nlohmann (UTF-8 checks,
  // \u escapes and surrogate pairs).
  bool ReadString(std::string& text) {
    ++at;  // '"'
    text.clear();
    while (at != end) {
      const auto c = static_cast<unsigned char>(*at);
      if (c == '"') {
        ++at;
        return true;
      }
      if (c < 0x20 || c >= 0x80) return false;
      if (c != '\\') {
        text.push_back(static_cast<char>(c));
        ++at;
        continue;
      }
      if (++at == end) return false;
      switch (*at) {
        case '"': text.push_back('"'); break;
        case '\\': text.push_back('\\'); break;
        case '/': text.push_back('/'); break;
        case 'b': text.push_back('\b'); break;
        case 'f': text.push_back('\f'); break;
        case 'n': text.push_back('\n'); break;
        case 'r': text.push_back('\r'); break;
        case 't': text.push_back('\t'); break;
        default: return false;
      }
      ++at;
    }
    return false;
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  struct Number {
    enum class Kind { UNSIGNED, SIGNED, FLOAT } kind = Kind::UNSIGNED;
    std::uint64_t unsignedValue = 0;
    std::int64_t signedValue = 0;
    double floatValue = 0;
  };

  // The JSON number grammar; integers become unsigned (no sign) or signed (a minus) 64-bit
  // values, and floating point when they have a fraction, an exponent or do not fit, as
  // nlohmann's parser decides.
  bool ScanNumber(Number& number) {
    const char* start = at;
    const char* p = at;
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    if (p == end || !IsDigit(*p)) return false;
    if (*p == '0') {
      ++p;
    } else {
      while (p != end && IsDigit(*p)) ++p;
    }
    bool integral = true;
    if (p != end && *p == '.') {
      integral = false;
      ++p;
      if (p == end || !IsDigit(*p)) return false;
      while (p != end && IsDigit(*p)) ++p;
    }
    if (p != end && (*p == 'e' || *p == 'E')) {
      integral = false;
      ++p;
      if (p != end && (*p == '+' || *p == '-')) ++p;
      if (p == end || !IsDigit(*p)) return false;
      while (p != end && IsDigit(*p)) ++p;
    }
    at = p;
    if (integral) {
      if (negative) {
        const auto [last, error] = std::from_chars(start, p, number.signedValue);
        if (error == std::errc() && last == p) {
          number.kind = Number::Kind::SIGNED;
          return true;
        }
      } else {
        const auto [last, error] = std::from_chars(start, p, number.unsignedValue);
        if (error == std::errc() && last == p) {
          number.kind = Number::Kind::UNSIGNED;
          return true;
        }
      }
    }
    const auto [last, error] = std::from_chars(start, p, number.floatValue);
    // Out of double's range: nlohmann reports it.
    if (error != std::errc() || last != p || !std::isfinite(number.floatValue)) return false;
    number.kind = Number::Kind::FLOAT;
    return true;
  }

  static ordered_json ToJson(const Number& number) {
    switch (number.kind) {
      case Number::Kind::SIGNED: return ordered_json(static_cast<ordered_json::number_integer_t>(number.signedValue));
      case Number::Kind::FLOAT: return ordered_json(number.floatValue);
      default: return ordered_json(static_cast<ordered_json::number_unsigned_t>(number.unsignedValue));
    }
  }

  bool ReadNumber(ordered_json& out) {
    Number number;
    if (!ScanNumber(number)) return false;
    out = ToJson(number);
    return true;
  }

  bool AppendNumber(ordered_json::array_t& elements) {
    Number number;
    if (!ScanNumber(number)) return false;
    elements.emplace_back(ToJson(number));
    return true;
  }

  const char* at;
  const char* end;
  const bool packByteArrays;
};

}  // namespace

std::optional<ordered_json> ReadJsonFast(std::string_view text, bool packByteArrays) {
  ordered_json document;
  FastReader reader(text, packByteArrays);
  if (!reader.ReadDocument(document)) return std::nullopt;
  return document;
}

}  // namespace Quorvel::injection
