#include "passive/DeliverySequencer.h"

#include "passive/PipelineGauge.h"

#include <stdexcept>
#include <string>

namespace Quorvel::passive {

DeliverySequencer::DeliverySequencer(Release release, std::shared_ptr<PipelineGauge> gauge,
                                     AfterRelease afterRelease)
    : release_(std::move(release)), afterRelease_(std::move(afterRelease)),
      gauge_(std::move(gauge)) {}

std::uint64_t DeliverySequencer::Reserve() { return reserved_.fetch_add(1, std::memory_order_relaxed); }

void DeliverySequencer::Complete(std::uint64_t ticket, std::shared_ptr<DissectedSample> sample,
                                 DataProcessor* processor) {
  if (gauge_) gauge_->Add();
  Settle(ticket, Slot{true, std::move(sample), processor});
}

void DeliverySequencer::Skip(std::uint64_t ticket) { Settle(ticket, Slot{true, nullptr, nullptr}); }

std::uint64_t DeliverySequencer::Pending() const {
  std::lock_guard lock(mutex_);
  return reserved_.load(std::memory_order_relaxed) - next_;
}

void DeliverySequencer::Settle(std::uint64_t ticket, Slot slot) {
  bool released = false;
  {
    std::lock_guard lock(mutex_);
    released = SettleLocked(ticket, std::move(slot));
  }
  if (released && afterRelease_) afterRelease_();
}

bool DeliverySequencer::SettleLocked(std::uint64_t ticket, Slot slot) {
  // A ticket is settled after its sample went through a queue, whose lock orders the two.
  if (ticket < next_ || ticket >= reserved_.load(std::memory_order_relaxed)) {
    throw std::logic_error("DeliverySequencer: ticket " + std::to_string(ticket) +
                           " was not reserved or is settled already");
  }
  const std::uint64_t index = ticket - next_;
  if (window_.size() <= index) window_.resize(index + 1);
  if (window_[index].settled) {
    throw std::logic_error("DeliverySequencer: ticket " + std::to_string(ticket) +
                           " is settled already");
  }
  window_[index] = std::move(slot);
  bool released = false;
  while (!window_.empty() && window_.front().settled) {
    Slot front = std::move(window_.front());
    window_.pop_front();
    ++next_;
    if (front.sample) {
      release_(std::move(front.sample), front.processor);
      released = true;
    }
  }
  return released;
}

}  // namespace Quorvel::passive
