#pragma once

// The rows of a committed reference text (tshark's decode of a recording and the like): one row
// a line, fields apart by one separator character.

#include <cstddef>
#include <string>
#include <vector>

namespace Quorvel::testing {

// Each row padded (or cut) to `fields` fields; throws when the file cannot be read.
std::vector<std::vector<std::string>> ReadFieldRows(const std::string& path, char separator,
                                                    std::size_t fields);

}  // namespace Quorvel::testing
