#pragma once

// The thread a running engine keeps for periodic housekeeping. It wakes once a second and
// does its round every ten seconds; Stop wakes it at once and joins it.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace Quorvel {

class HouseKeeper {
 public:
  HouseKeeper() = default;
  ~HouseKeeper();
  HouseKeeper(const HouseKeeper&) = delete;
  HouseKeeper& operator=(const HouseKeeper&) = delete;

  void Start();
  // Safe to call when not started or already stopped.
  void Stop();
  bool Started() const { return thread.joinable(); }

 private:
  void Loop();

  std::mutex mutex;
  std::condition_variable wake;
  bool stopRequested = false;
  std::thread thread;
};

}  // namespace Quorvel
