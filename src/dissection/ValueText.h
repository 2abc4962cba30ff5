#pragma once

// Value texts of dissected leaves: integers in decimal, float with 9 and double with 17
// significant digits ("%.9g" / "%.17g"), non-finite values as "inf", "-inf" and "nan".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel::ValueText {

std::string FromSigned(std::int64_t value);
std::string FromUnsigned(std::uint64_t value);
std::string FromFloat(float value);
std::string FromDouble(double value);
// Low byte of every 16-bit unit; the last unit (the terminator) is not copied.
std::string NarrowWideUnits(const std::vector<std::uint16_t>& unitsWithTerminator);

}  // namespace Quorvel::ValueText
