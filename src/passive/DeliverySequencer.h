#pragma once

// Keeps the samples of a recording in the order the router met them while several pool
// threads dissect them. The router reserves a ticket for each user sample before it queues
// it; the processor that took the sample settles the ticket: Complete with the dissected
// sample, or Skip when the sample was dropped. Samples are released, in ticket order, as soon
// as every earlier ticket is settled; a sample finished early waits here meanwhile. Every
// reserved ticket must be settled exactly once, or the samples after it are never released.
// Release runs under the sequencer's lock, so what it hands on keeps the ticket order; the
// optional AfterRelease runs once the lock is left, when a settle released something (the
// place to run a listener, which must not hold up other settles).

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace Quorvel {
class DataProcessor;
class DissectedSample;
}  // namespace Quorvel

namespace Quorvel::passive {

class PipelineGauge;

class DeliverySequencer {
 public:
  using Release = std::function<void(std::shared_ptr<DissectedSample>, DataProcessor*)>;
  using AfterRelease = std::function<void()>;

  // `gauge` (may be null) counts each completed sample from Complete on; whoever finally
  // hands the released sample to the application removes it.
  DeliverySequencer(Release release, std::shared_ptr<PipelineGauge> gauge,
                    AfterRelease afterRelease = nullptr);

  std::uint64_t Reserve();
  void Complete(std::uint64_t ticket, std::shared_ptr<DissectedSample> sample,
                DataProcessor* processor);
  void Skip(std::uint64_t ticket);

  // Tickets reserved and not yet released.
  std::uint64_t Pending() const;

 private:
  struct Slot {
    bool settled = false;
    std::shared_ptr<DissectedSample> sample;  // null for a skipped ticket
    DataProcessor* processor = nullptr;
  };
  void Settle(std::uint64_t ticket, Slot slot);
  // True when the settle released a sample.
  bool SettleLocked(std::uint64_t ticket, Slot slot);

  Release release_;
  AfterRelease afterRelease_;
  std::shared_ptr<PipelineGauge> gauge_;
  mutable std::mutex mutex_;
  // Reserved without the lock: the router reserves a ticket per sample, and waiting for a
  // release in progress (which runs the listener) held the router up on every sample.
  // On a cache line of its own: the pool threads write the lock and window on every settle.
  alignas(64) std::atomic<std::uint64_t> reserved_{0};
  std::uint64_t next_ = 0;     // the first ticket not yet released
  std::deque<Slot> window_;    // tickets next_, next_ + 1, ...
};

}  // namespace Quorvel::passive
