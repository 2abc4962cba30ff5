#include "dissection/JsonMemberSorter.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace Quorvel::JsonMemberSorter {

namespace {

struct Member {
  std::string_view key;    // the quoted key as written
  std::string_view value;  // the value's text
};

// The name of a quoted key with its escapes resolved (only \" \\ \/ \b \f \n \r \t and \u00XX
// can appear in keys this engine writes).
std::string Unescaped(std::string_view quoted) {
  std::string name;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] != '\\') {
      name += quoted[i];
      continue;
    }
    const char escape = quoted[++i];
    switch (escape) {
      case 'b': name += '\b'; break;
      case 'f': name += '\f'; break;
      case 'n': name += '\n'; break;
      case 'r': name += '\r'; break;
      case 't': name += '\t'; break;
      case 'u':
        name += static_cast<char>(std::stoi(std::string(quoted.substr(i + 1, 4)), nullptr, 16));
        i += 4;
        break;
      default: name += escape; break;
    }
  }
  return name;
}

bool NameLess(std::string_view a, std::string_view b) {
  if (a.find('\\') == std::string_view::npos && b.find('\\') == std::string_view::npos)
    return a.substr(1, a.size() - 2) < b.substr(1, b.size() - 2);
  return Unescaped(a) < Unescaped(b);
}

bool NameEqual(std::string_view a, std::string_view b) { return !NameLess(a, b) && !NameLess(b, a); }

class Sorter {
 public:
  Sorter(std::string_view json, std::string& out) : json(json), out(out) {}

  void Run() {
    std::size_t at = 0;
    Copy(at);
    if (at != json.size()) Malformed();
  }

 private:
  [[noreturn]] static void Malformed() {
    throw std::logic_error("JsonMemberSorter: the text is not compact JSON");
  }

  char At(std::size_t at) const {
    if (at >= json.size()) Malformed();
    return json[at];
  }

  // Moves `at` past one string, number or literal.
  void SkipScalar(std::size_t& at) const {
    if (At(at) == '"') {
      for (++at; At(at) != '"'; ++at)
        if (json[at] == '\\') ++at;
      ++at;
      return;
    }
    while (at < json.size() && json[at] != ',' && json[at] != '}' && json[at] != ']') ++at;
  }

  // Moves `at` past one value of any kind.
  void Skip(std::size_t& at) const {
    const char first = At(at);
    if (first != '{' && first != '[') return SkipScalar(at);
    std::size_t depth = 0;
    do {
      const char c = At(at);
      if (c == '"') {
        SkipScalar(at);
        continue;
      }
      if (c == '{' || c == '[') ++depth;
      if (c == '}' || c == ']') --depth;
      ++at;
    } while (depth > 0);
  }

  // Copies one value, sorting the objects inside it.
  void Copy(std::size_t& at) {
    const char first = At(at);
    if (first == '{') return CopyObject(at);
    if (first == '[') return CopyArray(at);
    const std::size_t start = at;
    SkipScalar(at);
    out.append(json.substr(start, at - start));
  }

  void CopyArray(std::size_t& at) {
    out += '[';
    ++at;
    if (At(at) == ']') {
      out += ']';
      ++at;
      return;
    }
    while (true) {
      Copy(at);
      const char next = At(at++);
      if (next == ']') break;
      if (next != ',') Malformed();
      out += ',';
    }
    out += ']';
  }

  void CopyObject(std::size_t& at) {
    const std::size_t base = members.size();
    ++at;
    if (At(at) != '}') {
      while (true) {
        const std::size_t keyStart = at;
        SkipScalar(at);
        const std::string_view key = json.substr(keyStart, at - keyStart);
        if (At(at++) != ':') Malformed();
        const std::size_t valueStart = at;
        Skip(at);
        members.push_back({key, json.substr(valueStart, at - valueStart)});
        const char next = At(at++);
        if (next == '}') break;
        if (next != ',') Malformed();
      }
    } else {
      ++at;
    }
    const std::size_t end = members.size();
    // Stable, so that the first of equal names comes first and is the one kept.
    std::stable_sort(members.begin() + static_cast<std::ptrdiff_t>(base), members.end(),
                     [](const Member& a, const Member& b) { return NameLess(a.key, b.key); });
    out += '{';
    // Nested objects push their members past `end` and pop them again.
    for (std::size_t i = base; i < end; ++i) {
      if (i > base && NameEqual(members[i - 1].key, members[i].key)) continue;
      if (i > base) out += ',';
      out += members[i].key;
      out += ':';
      std::size_t valueAt = static_cast<std::size_t>(members[i].value.data() - json.data());
      Copy(valueAt);
    }
    members.resize(base);
    out += '}';
  }

  std::string_view json;
  std::string& out;
  std::vector<Member> members;
};

}  // namespace

void SortMembersByName(std::string_view json, std::string& out) {
  out.clear();
  out.reserve(json.size());
  Sorter(json, out).Run();
}

}  // namespace Quorvel::JsonMemberSorter
