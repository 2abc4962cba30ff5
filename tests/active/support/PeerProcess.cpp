// The transport tests' peer runner (ddsperf with Cyclone kept on loopback), built into this
// folder's executable too.
#include "middleware/transport/support/ChildProcess.cpp"
