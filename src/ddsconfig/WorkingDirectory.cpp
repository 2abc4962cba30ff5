#include "ddsconfig/WorkingDirectory.h"

#include "common/Log.h"

namespace Quorvel::ddsconfig {

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::filesystem::path& directory)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(directory);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
  std::error_code error;
  std::filesystem::current_path(previous_, error);
  if (error) LogError("Cannot restore the working directory " + previous_.string() + ": " + error.message());
}

}  // namespace Quorvel::ddsconfig
