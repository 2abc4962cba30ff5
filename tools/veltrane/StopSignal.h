#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace Quorvel::Cli {

// Why a running command should end: Ctrl-C, the sample limit, a closed output. Any thread
// may request the stop; the command's thread waits on it.
class StopSignal {
 public:
  void Request(const std::string& reason);
  // A stop from outside the process (a signal): the user wants the command to end now, so work
  // already started (a recording half read) is cut short rather than finished.
  void Interrupt(const std::string& reason);
  bool Requested() const;
  bool Interrupted() const;
  std::string Reason() const;
  // Waits until a stop is requested or `timeout` passes (forever when zero or negative);
  // true when a stop was requested.
  bool WaitFor(std::chrono::duration<double> timeout) const;
  // Like WaitFor, but returns at once when `pause` is zero or negative.
  bool PauseFor(std::chrono::duration<double> pause) const;

 private:
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  bool requested = false;
  bool interrupted = false;
  std::string reason;
};

}  // namespace Quorvel::Cli
