#pragma once

// How many messages wait in the passive pipeline: captured RTPS messages, the sub-messages and
// samples routed from them, and dissected samples not yet handed to the application. Queues
// add what they take in and remove what their consumers pop; the delivery stage does the same
// for samples on their way to the listener. The capture stage reads it before every message:
// a recording waits while the pipeline holds more than the limit, a live capture drops.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Quorvel::passive {

class PipelineGauge {
 public:
  explicit PipelineGauge(std::uint64_t limit);

  void Add(std::uint64_t count = 1);
  void Remove(std::uint64_t count = 1);

  std::uint64_t Count() const { return count_.load(std::memory_order_relaxed); }
  std::uint64_t Limit() const { return limit_; }
  bool OverLimit() const { return Count() > limit_; }
  // The highest count seen since construction.
  std::uint64_t Peak() const { return peak_.load(std::memory_order_relaxed); }

  // Blocks while the pipeline holds more than the limit, until it is down to half of it (so a
  // paused capture resumes with room for a run of messages, not for one), or until `running`
  // is cleared. Returns at once when the pipeline is not over the limit.
  void WaitForRoom(const std::atomic<bool>& running);

 private:
  const std::uint64_t limit_;
  const std::uint64_t resumeAt_;
  // The count changes on every sample, from the capture and the pool threads alike; the
  // peak and the waiters, read as often but rarely written, keep to another cache line so
  // that those reads do not pull the count's line back and forth as well.
  alignas(64) std::atomic<std::uint64_t> count_{0};
  alignas(64) std::atomic<std::uint64_t> peak_{0};
  std::atomic<int> waiters_{0};
  std::mutex mutex_;
  std::condition_variable roomMade_;
};

}  // namespace Quorvel::passive
