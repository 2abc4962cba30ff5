#include "support/ThreadNames.h"

#include <filesystem>
#include <fstream>

namespace Quorvel::testing {

std::vector<std::string> ThreadNames() {
  std::vector<std::string> names;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    names.push_back(name);
  }
  return names;
}

}  // namespace Quorvel::testing
