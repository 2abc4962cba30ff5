#include "engine/support/RunningTestEngine.h"

namespace Quorvel::Testing {

RunningTestEngine::RunningTestEngine(const EngineConfiguration& configuration,
                                     LogSeverityLevel verbosity)
    : log(verbosity) {
  veltrane.Init(configuration);
  veltrane.Run();
}

}  // namespace Quorvel::Testing
