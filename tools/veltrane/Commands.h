#pragma once

// One function per subcommand; each returns the process exit status and lets runtime errors
// escape as exceptions (main reports them).

#include "Options.h"

namespace Quorvel::Cli {

class StopSignal;

int RunDissect(const Invocation& invocation, StopSignal& stop);
// capture, monitor and monitor-readers: a running engine until stopped.
int RunLiveMonitoring(const Invocation& invocation, StopSignal& stop);
int RunPublish(const Invocation& invocation, StopSignal& stop);
int RunTypes(const Invocation& invocation);

}  // namespace Quorvel::Cli
