#include "dissection/CommonHelperFunctions.h"

#include "common/Log.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

namespace Quorvel::CommonHelperFunctions {

namespace {

using xtypes::TypeKind;

struct EngineKind {
  TypeKind kind;
  std::uint32_t number;
  const char* name;
};

constexpr EngineKind kEngineKinds[] = {
    {TypeKind::BOOLEAN, 1, "BOOLEAN"},      {TypeKind::BYTE, 2, "UINT_8"},
    {TypeKind::INT16, 3, "INT_16"},         {TypeKind::UINT16, 4, "UINT_16"},
    {TypeKind::INT32, 5, "INT_32"},         {TypeKind::UINT32, 6, "UINT_32"},
    {TypeKind::INT64, 7, "INT_64"},         {TypeKind::UINT64, 8, "UINT_64"},
    {TypeKind::FLOAT32, 9, "FLOAT_32"},     {TypeKind::FLOAT64, 10, "FLOAT_64"},
    {TypeKind::FLOAT128, 11, "FLOAT_128"},  {TypeKind::CHAR8, 12, "CHAR_8"},
    {TypeKind::CHAR16, 13, "CHAR_16"},      {TypeKind::ENUMERATION, 14, "ENUMERATION"},
    {TypeKind::ARRAY, 16, "ARRAY"},         {TypeKind::SEQUENCE, 17, "SEQUENCE"},
    {TypeKind::STRING, 18, "STRING"},       {TypeKind::WSTRING, 19, "WSTRING"},
    {TypeKind::UNION, 20, "UNION"},         {TypeKind::STRUCTURE, 21, "STRUCTURE"},
    {TypeKind::INT8, 22, "INT_8"},
};

const EngineKind* FindEngineKind(TypeKind kind) {
  for (const EngineKind& entry : kEngineKinds)
    if (entry.kind == kind) return &entry;
  return nullptr;
}

// Values this close to the top of the range cannot be broken down into a calendar time.
constexpr std::uint64_t kLargestConvertible = std::numeric_limits<std::uint64_t>::max() - 1000000;
constexpr const char* kEpochText = "1970-01-01T00:00:00Z";

}  // namespace

std::uint32_t DDSTypeKindToEngineTypeKind(TypeKind kind) {
  const EngineKind* entry = FindEngineKind(kind);
  return entry ? entry->number : 0;
}

std::string DDSTypeKindToEngineTypeKindString(TypeKind kind) {
  const EngineKind* entry = FindEngineKind(kind);
  return entry ? entry->name : "NONE";
}

std::string ConvertStringToJsonPointer(std::string_view name) {
  std::string pointer = "/";
  pointer.reserve(name.size() + 1);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '{' && name.substr(i, 4) == "{_d=") {
      const std::size_t close = name.find('}', i);
      if (close != std::string_view::npos) {
        i = close;
        continue;
      }
    }
    if (c == '.' || c == '[')
      pointer += '/';
    else if (c != ']')
      pointer += c;
  }
  if (pointer.size() > 1 && pointer.back() == '/') pointer.pop_back();
  return pointer;
}

Iso8601Text EpochMicrosecondsToIso8601Text(std::uint64_t microseconds) {
  Iso8601Text result;
  const auto fallback = [&result] {
    result.size = std::strlen(kEpochText);
    std::memcpy(result.text, kEpochText, result.size);
    return result;
  };
  if (microseconds > kLargestConvertible) {
    LogWarning("Cannot convert value - " + std::to_string(microseconds) +
               " in EpochMicrosecondsToIso8601. Using default value " + kEpochText);
    return fallback();
  }
  const auto seconds = static_cast<std::time_t>(microseconds / 1000000);
  const auto fraction = static_cast<unsigned>(microseconds % 1000000);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) {
    LogWarning("Cannot convert value - " + std::to_string(microseconds) +
               " in EpochMicrosecondsToIso8601. Using default value " + kEpochText);
    return fallback();
  }
  // The zone's offset in whole minutes of the wall clock: the local minute minus the UTC
  // minute, which is what the two clocks show (an offset with seconds, as some zones had in
  // their early history, is not cut toward zero). The local time's own offset saves a second
  // conversion to UTC.
  const auto floorMinutes = [](std::int64_t value) {
    return value >= 0 ? value / 60 : -((-value + 59) / 60);
  };
  const auto epochSeconds = static_cast<std::int64_t>(seconds);
  const int offset =
      static_cast<int>(floorMinutes(epochSeconds + local.tm_gmtoff) - floorMinutes(epochSeconds));

  // "%Y-%m-%dT%H:%M:%S.<six digits><sign>HH:MM", formatted by hand: this runs twice for every
  // sample. Years are 1970 or later, so "%Y" never pads.
  char* out = result.text;
  const auto digits = [&out](unsigned value, int count) { out = WriteZeroPadded(out, value, count); };
  out = std::to_chars(out, result.text + 16, local.tm_year + 1900).ptr;
  *out++ = '-';
  digits(static_cast<unsigned>(local.tm_mon + 1), 2);
  *out++ = '-';
  digits(static_cast<unsigned>(local.tm_mday), 2);
  *out++ = 'T';
  digits(static_cast<unsigned>(local.tm_hour), 2);
  *out++ = ':';
  digits(static_cast<unsigned>(local.tm_min), 2);
  *out++ = ':';
  digits(static_cast<unsigned>(local.tm_sec), 2);
  *out++ = '.';
  digits(fraction, 6);
  *out++ = offset < 0 ? '-' : '+';
  const int magnitude = offset < 0 ? -offset : offset;
  digits(static_cast<unsigned>(magnitude / 60), 2);
  *out++ = ':';
  digits(static_cast<unsigned>(magnitude % 60), 2);
  result.size = static_cast<std::size_t>(out - result.text);
  return result;
}

char* WriteZeroPadded(char* out, std::uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + digits;
}

std::string EpochMicrosecondsToIso8601(std::uint64_t microseconds) {
  return std::string(EpochMicrosecondsToIso8601Text(microseconds).View());
}

std::vector<std::string> SplitString(std::string_view text, char delimiter) {
  return SplitString(text, std::string_view(&delimiter, 1));
}

std::vector<std::string> SplitString(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> parts;
  if (delimiter.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  std::size_t start = 0;
  for (std::size_t at = text.find(delimiter); at != std::string_view::npos;
       at = text.find(delimiter, start)) {
    parts.emplace_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

bool IsNumber(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

bool ContainsNonDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) == 0;
  });
}

}  // namespace Quorvel::CommonHelperFunctions
