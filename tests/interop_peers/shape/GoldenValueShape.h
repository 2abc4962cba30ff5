#pragma once

#include "middleware/xtypes/DynamicType.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace Quorvel::InteropPeers::test {

// Every way in which a golden JSON value does not fit a type read from the XML type files:
// member names and order, optional members, union branch for the discriminator, array
// dimensions, sequence and string bounds, enumerator and bitmask values, numeric ranges.
// Each problem is named by its path in the value ("config.levels[2]").
std::vector<std::string> ShapeProblems(const nlohmann::ordered_json& value,
                                       const xtypes::DynamicType& type);

}  // namespace Quorvel::InteropPeers::test
