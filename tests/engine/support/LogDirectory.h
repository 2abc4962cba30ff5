#pragma once

// A fresh log directory for one test: the factory is (re)configured to log there, and the
// lines written can be read back from the files on disk.

#include <quorvel/FactoryConfiguration.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Quorvel::Testing {

class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
};

class LogDirectory {
 public:
  explicit LogDirectory(LogSeverityLevel verbosity = LogSeverityLevel::TRACE,
                        std::int64_t maxFiles = 1, std::int64_t maxFileByteSize = -1);
  // Finalizes the factory so the next test starts unconfigured.
  ~LogDirectory();

  const std::filesystem::path& Path() const { return directory.Path(); }
  // Every line of the engine log files, oldest file first.
  std::vector<std::string> Lines() const;
  // True when some line ends with "[<severity>] [<n>] <message>".
  bool Contains(const std::string& severity, const std::string& message) const;
  // True when some line's message is exactly `message`, at any severity.
  bool ContainsMessage(const std::string& message) const;
  // Names of the files in the directory, sorted.
  std::vector<std::string> FileNames() const;

 private:
  TemporaryDirectory directory;
};

}  // namespace Quorvel::Testing
