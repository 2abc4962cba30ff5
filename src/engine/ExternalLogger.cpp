#include <quorvel/ExternalLogger.h>

#include "common/Log.h"

namespace Quorvel {

void ExternalLogger::Log(LogSeverityLevel severity, std::string message) {
  LogAt(severity, message);
}

}  // namespace Quorvel
