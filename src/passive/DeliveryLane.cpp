#include "passive/DeliveryLane.h"

namespace Quorvel::passive {

DeliveryLane::DeliveryLane(Deliver deliver) : deliver_(std::move(deliver)) {}

void DeliveryLane::Push(std::shared_ptr<DissectedSample> sample, DataProcessor* processor) {
  pending_.fetch_add(1, std::memory_order_acq_rel);
  std::lock_guard lock(mutex_);
  waiting_.push_back(Entry{std::move(sample), processor});
}

void DeliveryLane::Drain() {
  // The batch's buffer goes back to the lane on the next swap: no allocation per drain.
  std::vector<Entry> batch;
  bool claimed = false;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (!claimed) {
        if (draining_) return;
        draining_ = claimed = true;
      }
      // A pusher that found the lane claimed relies on this thread seeing its sample: the test
      // for an empty lane and the release of the claim are made under the lock Push takes.
      if (waiting_.empty() || stopped_.load(std::memory_order_acquire)) {
        draining_ = false;
        return;
      }
      batch.swap(waiting_);
    }
    for (Entry& entry : batch) {
      if (!stopped_.load(std::memory_order_acquire)) deliver_(entry.sample, entry.processor);
      entry.sample.reset();
      pending_.fetch_sub(1, std::memory_order_acq_rel);
    }
    batch.clear();
  }
}

void DeliveryLane::Stop() { stopped_.store(true, std::memory_order_release); }

}  // namespace Quorvel::passive
