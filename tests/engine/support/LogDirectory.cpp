#include "engine/support/LogDirectory.h"

#include <quorvel/Veltrane.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace Quorvel::Testing {
namespace fs = std::filesystem;

TemporaryDirectory::TemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "veltrane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

LogDirectory::LogDirectory(LogSeverityLevel verbosity, std::int64_t maxFiles,
                           std::int64_t maxFileByteSize) {
  Veltrane::FinalizeFactory();
  FactoryConfiguration configuration;
  configuration.logger.verbosity = verbosity;
  configuration.logger.maxFiles = maxFiles;
  configuration.logger.maxFileByteSize = maxFileByteSize;
  configuration.logger.loggingDir = Path().string();
  Veltrane::SetFactoryConfiguration(configuration);
}

LogDirectory::~LogDirectory() {
  try {
    Veltrane::FinalizeFactory();
  } catch (...) {
  }
}

std::vector<std::string> LogDirectory::FileNames() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> LogDirectory::Lines() const {
  static const std::regex kLogFile(R"(Quorvel\.VeltraneLog_(\d+)\.log)");
  std::vector<std::pair<int, fs::path>> files;
  for (const std::string& name : FileNames()) {
    std::smatch match;
    if (std::regex_match(name, match, kLogFile)) {
      files.emplace_back(std::stoi(match[1]), Path() / name);
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> lines;
  for (const auto& [counter, file] : files) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  return lines;
}

namespace {

// "[time] [thread] [severity] [line] message"
bool SplitRecord(const std::string& line, std::string& severity, std::string& message) {
  static const std::regex kRecord(R"(^\[[^\]]+\] \[[^\]]+\] \[([a-z]+)\] \[\d+\] (.*)$)");
  std::smatch match;
  if (!std::regex_match(line, match, kRecord)) return false;
  severity = match[1];
  message = match[2];
  return true;
}

}  // namespace

bool LogDirectory::Contains(const std::string& severity, const std::string& message) const {
  for (const std::string& line : Lines()) {
    std::string lineSeverity, lineMessage;
    if (SplitRecord(line, lineSeverity, lineMessage) && lineSeverity == severity &&
        lineMessage == message) {
      return true;
    }
  }
  return false;
}

bool LogDirectory::ContainsMessage(const std::string& message) const {
  for (const std::string& line : Lines()) {
    std::string lineSeverity, lineMessage;
    if (SplitRecord(line, lineSeverity, lineMessage) && lineMessage == message) return true;
  }
  return false;
}

}  // namespace Quorvel::Testing
