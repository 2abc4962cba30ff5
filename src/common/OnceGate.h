#pragma once

// Runs an action once among threads, like std::call_once but without its system call: glibc's
// pthread_once wakes possible waiters through a futex every time an action completes, which
// for a flag per datagram was a system call per datagram. Here the first caller takes a mutex
// and later callers only read a flag. An action that throws leaves the gate closed, to be run
// again by the next caller.

#include <atomic>
#include <mutex>

namespace Quorvel {

class OnceGate {
 public:
  template <typename Action>
  void Run(Action&& action) {
    if (done_.load(std::memory_order_acquire)) return;
    std::lock_guard lock(mutex_);
    if (done_.load(std::memory_order_relaxed)) return;
    action();
    done_.store(true, std::memory_order_release);
  }

 private:
  std::atomic<bool> done_{false};
  std::mutex mutex_;
};

}  // namespace Quorvel
