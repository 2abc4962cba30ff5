#pragma once

// Names of the process's threads (/proc/self/task/*/comm, at most 15 characters each), to
// check that workers start with their names and that nothing is left after a teardown.

#include <string>
#include <vector>

namespace Quorvel::testing {

std::vector<std::string> ThreadNames();

}  // namespace Quorvel::testing
