#include "StopSignal.h"

namespace Quorvel::Cli {

void StopSignal::Request(const std::string& why) {
  {
    std::lock_guard<std::mutex> guard(mutex);
    if (requested) return;  // the first reason is the one reported
    requested = true;
    reason = why;
  }
  changed.notify_all();
}

void StopSignal::Interrupt(const std::string& why) {
  {
    std::lock_guard<std::mutex> guard(mutex);
    // A Ctrl-C after the sample limit still cuts the remaining work short.
    interrupted = true;
    if (!requested) reason = why;
    requested = true;
  }
  changed.notify_all();
}

bool StopSignal::Requested() const {
  std::lock_guard<std::mutex> guard(mutex);
  return requested;
}

bool StopSignal::Interrupted() const {
  std::lock_guard<std::mutex> guard(mutex);
  return interrupted;
}

std::string StopSignal::Reason() const {
  std::lock_guard<std::mutex> guard(mutex);
  return reason;
}

bool StopSignal::WaitFor(std::chrono::duration<double> timeout) const {
  std::unique_lock<std::mutex> lock(mutex);
  if (timeout.count() <= 0) {
    changed.wait(lock, [this] { return requested; });
    return true;
  }
  return changed.wait_for(lock, timeout, [this] { return requested; });
}

bool StopSignal::PauseFor(std::chrono::duration<double> pause) const {
  if (pause.count() <= 0) return Requested();
  return WaitFor(pause);
}

}  // namespace Quorvel::Cli
