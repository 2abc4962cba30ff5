#pragma once

// Text -> value conversions for the primitive kinds, shared by the type-file range checks and
// by message injection. Every failure is a std::runtime_error with the field name in it.
//
//   InputToValue<std::int16_t>("-12", "pos.x")   -> -12
//   InputToValue<std::uint8_t>("256", "flags")   -> throws "Erroneous value '256' provided ..."

#include <string>

namespace Quorvel::values {

// True (after logging "Input is empty. Setting field '<name>' to default value") when `text`
// is empty: the caller then keeps the member's default.
bool isInputEmpty(const std::string& text, const std::string& fieldName);

// Decimal integers (an optional sign, digits, nothing else) and decimal or scientific
// floating-point numbers, checked against the range of T. Defined for the fixed-width
// integers of 8 to 64 bits, float, double and long double. An empty text gives T{}.
// Throws "Erroneous value '<text>' provided for field '<name>' Error = <why>".
template <typename T>
T InputToValue(const std::string& text, const std::string& fieldName);

// "1" or any capitalisation of "TRUE" / "0" or any capitalisation of "FALSE".
bool InputToValueBool(const std::string& text, const std::string& fieldName);

// Exactly one character. Throws "Out of range value '<text>'. Can only provide a single
// charecter as input."
char InputToChar(const std::string& text, const std::string& fieldName);

// Exactly one character of the basic multilingual plane, given in UTF-8.
char16_t InputToWideChar(const std::string& text, const std::string& fieldName);

// True when `text` is a decimal integer or floating-point number (as InputToValue reads them).
bool IsNumber(const std::string& text);

}  // namespace Quorvel::values
