#pragma once

// Hands a recording's samples to the application one at a time, in the order they were
// pushed, without a thread of its own: the pool thread that finds nobody delivering drains the
// lane, the others only append and go back to dissecting. This costs no wake-up and no task
// per sample, and the listener still sees one sample at a time.
//
// Push may be called under the caller's own lock (the sequencer pushes under its lock, which
// is what keeps the order); Drain must not be, since it runs the listener.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel {
class DataProcessor;
class DissectedSample;
}  // namespace Quorvel

namespace Quorvel::passive {

class DeliveryLane {
 public:
  using Deliver = std::function<void(const std::shared_ptr<DissectedSample>&, DataProcessor*)>;

  // `deliver` must not throw.
  explicit DeliveryLane(Deliver deliver);

  void Push(std::shared_ptr<DissectedSample> sample, DataProcessor* processor);
  // Delivers until the lane is found empty, unless another thread is delivering already:
  // then it returns at once, and that thread delivers what was pushed.
  void Drain();
  // From now on Drain delivers nothing more: a drain under way ends after its current sample.
  void Stop();
  // Samples pushed and not yet delivered (or given up after Stop).
  std::uint64_t Pending() const { return pending_.load(std::memory_order_acquire); }

 private:
  struct Entry {
    std::shared_ptr<DissectedSample> sample;
    DataProcessor* processor = nullptr;
  };

  Deliver deliver_;
  std::mutex mutex_;
  std::vector<Entry> waiting_;
  bool draining_ = false;
  std::atomic<bool> stopped_{false};
  std::atomic<std::uint64_t> pending_{0};
};

}  // namespace Quorvel::passive
