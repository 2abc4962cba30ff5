// veltrane capture / monitor / monitor-readers: the engine runs until Ctrl-C, the duration or
// the sample limit ends it.

#include "Commands.h"
#include "StopSignal.h"
#include "StreamingSession.h"

#include <chrono>

namespace Quorvel::Cli {
namespace {

EngineOperationMode ModeOf(Command command) {
  switch (command) {
    case Command::CAPTURE: return EngineOperationMode::PASSIVE_DYNAMIC_MONITORING;
    case Command::MONITOR_READERS: return EngineOperationMode::ACTIVE_STATIC_MONITORING;
    default: return EngineOperationMode::ACTIVE_DYNAMIC_MONITORING;
  }
}

}  // namespace

int RunLiveMonitoring(const Invocation& invocation, StopSignal& stop) {
  StreamingSession session(invocation, stop, ModeOf(invocation.command));
  stop.WaitFor(std::chrono::duration<double>(invocation.stream.durationSeconds));
  session.Finish();
  return 0;
}

}  // namespace Quorvel::Cli
