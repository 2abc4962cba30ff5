#pragma once

// Starts and flushes the process-wide log: one rotating file sink of boost.log, plus the
// routing of the DDS middleware's own log. Everything else logs through common/Log.h.

#include <quorvel/FactoryConfiguration.h>

#include <filesystem>
#include <string>

namespace Quorvel {

class Logger {
 public:
  // Replaces any sink of an earlier Init, so the log always goes to the configured directory.
  static void Init(const LoggerConfiguration& configuration);
  static void Shutdown();
  static void InitConnextLogger(const std::filesystem::path& directory);

  static std::string LoggerVerbosity();
  static std::string ConnextVersion();
  static std::string RTPSProtocolVersion();

  static LoggerConfiguration Configuration();
};

// "TRACE" ... "FATAL".
std::string SeverityName(LogSeverityLevel level);

}  // namespace Quorvel
