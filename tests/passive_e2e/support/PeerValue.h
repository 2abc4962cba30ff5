#pragma once

// A peer's JSON of a sample (tests/data/golden/FORMAT.md) in the form the engine delivers it
// under "SampleData", so the two can be compared whole. Only where the forms differ by design:
// the engine lays multi-dimensional arrays out flat, and gives union discriminators of char or
// boolean kind as numbers.

#include <nlohmann/json.hpp>

namespace Quorvel::e2e {

// `delivered` steers where the forms may differ and is not itself copied: a value the engine
// got wrong still differs after the conversion.
nlohmann::ordered_json AsDelivered(const nlohmann::ordered_json& peer, const nlohmann::ordered_json& delivered);

}  // namespace Quorvel::e2e
