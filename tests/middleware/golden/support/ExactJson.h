#pragma once

// Whole-document comparison of two JSON values in the golden value form, stricter than
// nlohmann's operator==: numbers compare exactly (64-bit integers as integers, floating point
// bit for bit, so -0.0 differs from 0.0 and 1 from 1.0000000000000002), object members in
// order. Each difference is reported with its JSON path.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace Quorvel::golden {

std::vector<std::string> ExactDifferences(const nlohmann::ordered_json& expected,
                                          const nlohmann::ordered_json& actual);

}  // namespace Quorvel::golden
