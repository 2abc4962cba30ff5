#include "SignalWatcher.h"

#include "StopSignal.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace Quorvel::Cli {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

SignalWatcher::SignalWatcher(StopSignal& stop) {
  std::signal(SIGPIPE, SIG_IGN);
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  thread = std::thread([this, &stop] { Watch(stop); });
}

SignalWatcher::~SignalWatcher() {
  quit = true;
  thread.join();
}

void SignalWatcher::Watch(StopSignal& stop) {
  const sigset_t set = StopSignals();
  // A bounded wait, so that the destructor is noticed without sending a signal.
  const timespec slice{0, 100'000'000};
  while (!quit) {
    const int signal = sigtimedwait(&set, nullptr, &slice);
    if (signal == SIGINT) stop.Interrupt("interrupted (SIGINT)");
    if (signal == SIGTERM) stop.Interrupt("terminated (SIGTERM)");
  }
}

}  // namespace Quorvel::Cli
