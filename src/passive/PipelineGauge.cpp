#include "passive/PipelineGauge.h"

#include <chrono>

namespace Quorvel::passive {

namespace {
// A waiter also looks at `running` this often, so a stop never waits for the pipeline.
constexpr std::chrono::milliseconds kStopCheckInterval{5};
}  // namespace

PipelineGauge::PipelineGauge(std::uint64_t limit) : limit_(limit), resumeAt_(limit / 2) {}

void PipelineGauge::Add(std::uint64_t count) {
  const std::uint64_t now = count_.fetch_add(count, std::memory_order_relaxed) + count;
  std::uint64_t peak = peak_.load(std::memory_order_relaxed);
  while (now > peak && !peak_.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

void PipelineGauge::Remove(std::uint64_t count) {
  const std::uint64_t now = count_.fetch_sub(count, std::memory_order_acq_rel) - count;
  // Only the crossing of the resume mark can release a waiter; the lock orders the notify
  // after a waiter's test of the count.
  if (now <= resumeAt_ && waiters_.load(std::memory_order_acquire) != 0) {
    std::lock_guard lock(mutex_);
    roomMade_.notify_all();
  }
}

void PipelineGauge::WaitForRoom(const std::atomic<bool>& running) {
  if (!OverLimit()) return;
  std::unique_lock lock(mutex_);
  waiters_.fetch_add(1, std::memory_order_acq_rel);
  while (running.load() && Count() > resumeAt_) roomMade_.wait_for(lock, kStopCheckInterval);
  waiters_.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace Quorvel::passive
