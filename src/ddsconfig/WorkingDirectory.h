#pragma once

#include <filesystem>

namespace Quorvel::ddsconfig {

// Makes `directory` the process working directory for the life of the object and restores
// the previous one on every exit, exceptions included. The working directory is process-wide:
// no other thread may depend on it meanwhile.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::filesystem::path& directory);
  ~ScopedWorkingDirectory();
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace Quorvel::ddsconfig
