#pragma once

#include <string>
#include <vector>

namespace Quorvel {

// Names of the capture devices libpcap sees, sorted, each once. Empty (with a warning in the
// log) when there are none or libpcap cannot list them.
std::vector<std::string> ListNetworkAdapters();

}  // namespace Quorvel
