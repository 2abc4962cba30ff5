#pragma once

// Value texts of injection input into member values. Every parser first lets an empty text
// through as the kind's default (after the "Input is empty" line); ValidateValue, which the
// walk calls before any parser, refuses empty texts everywhere but in strings.
//
// Integers follow the C library's conversions the input format was defined by: short, int,
// long and long long members are read as a signed 64-bit decimal (stol), the unsigned ones
// as an unsigned 64-bit decimal (stoul), octets through int (stoi); the result is then stored
// in the member's width as it is (a warning says when that changes the value).

#include "dissection/Column.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::injection {

// One instance per value type: std::int16_t, std::uint16_t, std::int32_t, std::uint32_t,
// std::int64_t, std::uint64_t, float, double, std::uint8_t, std::int8_t and char.
// Throws "Erroneous value '<text>' provided for field '<name>' Error = <why>"; a char takes
// exactly one character ("Out of range value '<text>'. Can only provide a single charecter
// as input.").
template <typename T>
T InputToValue(const std::string& text, const std::string& fieldName);

// "1" or any capitalisation of "TRUE" / "0" or any capitalisation of "FALSE".
bool InputToValueBool(const std::string& text, const std::string& fieldName);

// The enumerator's integer value, alone or as "(3) - RED"; must be one of `column`'s.
std::int32_t InputToEnumVal(const std::string& text, const std::string& fieldName,
                            const Column& column);

// `bound` 0 is unbounded; longer texts are refused.
std::string InputToString(const std::string& text, const std::string& fieldName,
                          std::uint32_t bound);

// UTF-8 into UTF-16 units (surrogate pairs beyond the basic plane); a text that is not valid
// UTF-8 is taken byte by byte, which is how the dissection narrows wide strings.
std::vector<std::uint16_t> WidenText(const std::string& text);

// "Invalid empty input ('') provided for field: <name>" for an empty text of any kind but
// the two string kinds.
void ValidateValue(const std::string& text, const std::string& fieldName, const Column& column,
                   xtypes::TypeKind kind);

}  // namespace Quorvel::injection
