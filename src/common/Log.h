#pragma once

// The one logging entry point of every layer. Records go to the process-wide log that the
// engine factory starts; before that they reach boost.log's default console sink unfiltered.
//
//   LogDebug("Init");                              // cheap check, then one record
//   VELTRANE_LOG(TRACE, "routing " + Describe(m)); // the text is built only when it passes
//   ThrowLogged("Bad header: " + why);             // logs at error, throws std::runtime_error

#include <quorvel/LogSeverityLevel.h>

#include <string>
#include <string_view>

namespace Quorvel::Log {

// True when a record at `level` would pass the configured verbosity. A relaxed atomic load.
bool Enabled(LogSeverityLevel level) noexcept;

// Writes one record; does not check Enabled again (callers below do).
void Write(LogSeverityLevel level, std::string_view message);

// Sets the lowest severity that passes (the logger does this when it starts).
void SetThreshold(LogSeverityLevel level) noexcept;

}  // namespace Quorvel::Log

namespace Quorvel {

inline void LogAt(LogSeverityLevel level, std::string_view message) {
  if (Log::Enabled(level)) Log::Write(level, message);
}
inline void LogTrace(std::string_view message) { LogAt(LogSeverityLevel::TRACE, message); }
inline void LogDebug(std::string_view message) { LogAt(LogSeverityLevel::DEBUG, message); }
inline void LogInfo(std::string_view message) { LogAt(LogSeverityLevel::INFO, message); }
inline void LogWarning(std::string_view message) { LogAt(LogSeverityLevel::WARNING, message); }
inline void LogError(std::string_view message) { LogAt(LogSeverityLevel::ERROR, message); }
inline void LogFatal(std::string_view message) { LogAt(LogSeverityLevel::FATAL, message); }

// Logs `message` at `level` (error by default) and throws it as std::runtime_error.
[[noreturn]] void ThrowLogged(const std::string& message,
                              LogSeverityLevel level = LogSeverityLevel::ERROR);

}  // namespace Quorvel

// Evaluates `message` only when `level` (TRACE, DEBUG, ...) passes the verbosity.
#define VELTRANE_LOG(level, message)                                                  \
  do {                                                                                \
    if (::Quorvel::Log::Enabled(::Quorvel::LogSeverityLevel::level))                  \
      ::Quorvel::Log::Write(::Quorvel::LogSeverityLevel::level, (message));           \
  } while (false)
