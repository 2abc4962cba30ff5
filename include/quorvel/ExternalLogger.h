#pragma once

#include <quorvel/Export.h>
#include <quorvel/LogSeverityLevel.h>

#include <string>

namespace Quorvel {

// Lets an application write its own lines into the engine's log, under the same filter.
class VELTRANE_API ExternalLogger {
 public:
  static void Log(LogSeverityLevel severity, std::string message);
};

}  // namespace Quorvel
