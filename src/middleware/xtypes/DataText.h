#pragma once

// A sample as compact JSON text, in the value form of the golden files
// (tests/data/golden/FORMAT.md), so that tests compare decoded samples with expected values by
// parsing both: structures as objects in member order (absent optional members left out),
// unions as {"discriminator":d,"<case>":v} (d in the discriminator's form: number, boolean or
// one-character string), arrays nested row-major per dimension, sequences as arrays,
// enumerations and bitmasks as numbers, chars as one-character strings, floats as the shortest
// decimal that reads back to the same double (float32 widened first), wide strings with \uXXXX
// beyond ASCII, long double with 21 significant digits.

#include <string>

namespace Quorvel::xtypes {

class DynamicDataRef;

std::string ToText(const DynamicDataRef& data);

}  // namespace Quorvel::xtypes
