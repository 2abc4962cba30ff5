#include "engine/HouseKeeper.h"

#include "common/Log.h"

#include <chrono>

namespace Quorvel {
namespace {

constexpr std::chrono::seconds kTick{1};
constexpr std::chrono::nanoseconds kRound{9'999'999'999};

}  // namespace

HouseKeeper::~HouseKeeper() { Stop(); }

void HouseKeeper::Start() {
  if (thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(mutex);
    stopRequested = false;
  }
  thread = std::thread([this] { Loop(); });
}

void HouseKeeper::Stop() {
  if (!thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(mutex);
    stopRequested = true;
  }
  wake.notify_all();
  thread.join();
}

void HouseKeeper::Loop() {
  auto roundStart = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> guard(mutex);
  while (!wake.wait_for(guard, kTick, [this] { return stopRequested; })) {
    const auto now = std::chrono::steady_clock::now();
    if (now - roundStart > kRound) {
      LogTrace("Performing housekeeping");
      roundStart = now;
    }
  }
  guard.unlock();
  LogDebug("Shutting down engine house keeping thread");
}

}  // namespace Quorvel
