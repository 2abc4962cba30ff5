#pragma once

// A compact JSON-like rendering of a sample, for tests, golden comparisons and debug logs:
// structures as {"member":value,...} (absent optional members left out), unions as
// {"discriminator":N,"case":value}, sequences and arrays as [..] (multi-dimensional arrays
// flattened in row-major order), enumerations and bitmasks by number, chars and strings
// quoted, wide strings quoted with \uXXXX escapes beyond ASCII, float with 9 and double with
// 17 significant digits, booleans true/false.

#include <string>

namespace Quorvel::xtypes {

class DynamicDataRef;

std::string ToText(const DynamicDataRef& data);

}  // namespace Quorvel::xtypes
