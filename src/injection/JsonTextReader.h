#pragma once

// A fast reader of the JSON text that injection takes in volume: plain ASCII documents of
// objects, arrays, numbers, literals and strings with the short escapes. It builds exactly the
// document nlohmann's parser builds (same number kinds, same member order, a repeated key's
// last value in its first place) several times faster, because the parser's per-character
// input adapter dominates the cost of injecting large samples.
//
// Anything it does not take on (non-ASCII or \u escapes in strings, deep nesting, numbers
// out of double's range, every syntax error) gives nullopt, and the caller parses with
// nlohmann, which then also words the error.
//
// With packByteArrays, an array whose elements are all integers from 0 to 255 in plain digits
// comes as one binary value holding them as bytes: one allocation instead of a JSON value per
// element, for the octet sequences that make up most of large samples. Only
// DynamicDataInjector takes such documents; it reads a binary value as the array it stands for.

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string_view>

namespace Quorvel::injection {

std::optional<nlohmann::ordered_json> ReadJsonFast(std::string_view text, bool packByteArrays = false);

}  // namespace Quorvel::injection
