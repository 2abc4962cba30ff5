#pragma once

#include <atomic>
#include <thread>

namespace Quorvel::Cli {

class StopSignal;

// Turns SIGINT and SIGTERM into a stop request. Constructed first thing in main: it blocks the
// two signals in the calling thread, so every thread started afterwards (the engine's too)
// inherits the mask and only the watcher's own thread ever receives them. SIGPIPE is ignored,
// so a closed output shows up as a write error instead of killing the process.
class SignalWatcher {
 public:
  explicit SignalWatcher(StopSignal& stop);
  ~SignalWatcher();
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

 private:
  void Watch(StopSignal& stop);

  std::atomic<bool> quit{false};
  std::thread thread;
};

}  // namespace Quorvel::Cli
