#pragma once

// Stateless helpers shared by output building, metadata and injection: type-kind numbers and
// names as the engine reports them, flat member names as JSON pointers, timestamps, and small
// text tests. The JSON <-> flat map conversions are in JsonMapConversion.h.

#include "middleware/xtypes/TypeKind.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel::CommonHelperFunctions {

// boolean 1 .. wide string 19, union 20, structure 21, int8 22 (after the others, so no
// number changes meaning); 0 ("NONE") for anything else.
std::uint32_t DDSTypeKindToEngineTypeKind(xtypes::TypeKind kind);
std::string DDSTypeKindToEngineTypeKindString(xtypes::TypeKind kind);

// 'a.b[2].c' -> '/a/b/2/c'. A union selector in front of a member name ('{_d=1/2}value')
// is left out, so that flat names of multi-label union members point at the member.
std::string ConvertStringToJsonPointer(std::string_view name);

// Local time, microseconds and zone offset: '2024-03-01T14:05:09.000250+02:00'.
std::string EpochMicrosecondsToIso8601(std::uint64_t microseconds);
// The same text on the stack, for the per-sample metadata.
struct Iso8601Text {
  char text[48];
  std::size_t size = 0;
  std::string_view View() const { return {text, size}; }
};
Iso8601Text EpochMicrosecondsToIso8601Text(std::uint64_t microseconds);
// Writes the last `digits` decimal digits of `value`, zero-padded, at `out`; returns the end.
char* WriteZeroPadded(char* out, std::uint64_t value, int digits);

std::vector<std::string> SplitString(std::string_view text, char delimiter);
std::vector<std::string> SplitString(std::string_view text, std::string_view delimiter);
// True when every character is a decimal digit (and there is at least one).
bool IsNumber(std::string_view text);
bool ContainsNonDigit(std::string_view text);

}  // namespace Quorvel::CommonHelperFunctions
