#pragma once

#include <quorvel/LogSeverityLevel.h>

#include <cstdint>
#include <string>

namespace Quorvel {

struct LoggerConfiguration {
  LogSeverityLevel verbosity = LogSeverityLevel::INFO;
  // Log files kept in the log directory.
  std::int64_t maxFiles = 1;
  // Size at which a log file is rotated; -1 never rotates by size.
  std::int64_t maxFileByteSize = -1;
  // Empty means the current working directory.
  std::string loggingDir;
};

// The process-wide settings, given once before the first engine starts.
struct FactoryConfiguration {
  LoggerConfiguration logger;
};

}  // namespace Quorvel
