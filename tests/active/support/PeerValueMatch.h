#pragma once

// Compares what a Cyclone peer says it wrote (its JSON form, tests/data/golden/FORMAT.md) with
// what the engine delivered under "SampleData", member by member. The forms differ by design
// only where the engine's value texts do: multi-dimensional arrays laid out flat, char and
// boolean union discriminators as numbers, booleans as 1/0, float32 printed with 9 significant
// digits (equal once both are rounded to float). Everything else must be equal exactly.

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace Quorvel::testing {

::testing::AssertionResult MatchesPeerValue(const nlohmann::ordered_json& peer,
                                            const nlohmann::ordered_json& delivered);

}  // namespace Quorvel::testing
