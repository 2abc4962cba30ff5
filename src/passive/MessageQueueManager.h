#pragma once

// The hand-over between stages of the passive pipeline. Enqueue appends one element; a run of
// the consumer is posted to the thread pool only when fewer than `maxRuns` runs of this queue
// are under way. A run calls the consumer (which pops one element) until the FIFO is empty,
// so a batch that is waiting costs one wake-up, not one per element; after kRunBatch elements
// a run re-posts itself, so that the runs of other queues get their turn on the pool. With
// `maxRuns` 1 (a serialized queue) the elements are processed one after another in arrival
// order; with more, up to that many pool threads consume at once, each popping in FIFO order.
// The mutex guards the FIFO and the counts of runs under way and of consumers executing;
// consumers take their element under it and process it outside.
// RunQueuedHere lets a thread that waits for this queue do its work itself, so a wait cannot
// depend on a pool thread that the waiter occupies (not for a serialized queue: it would break
// its order).
// A PipelineGauge, when given, counts the elements waiting in the FIFO.
// With ReturnConsumedTo, the elements a consumer hands back through Retire wait in that bin
// for the (single) enqueuing thread to destroy on its next Enqueue (see RetiredElements).
// With `maxRuns` kOnEnqueuingThread, no run is posted: the single thread that enqueues consumes
// each element at once, keeping arrival order without handing the element to another core.

#include "passive/PipelineGauge.h"
#include "passive/RetiredElements.h"
#include "passive/ThreadPoolPost.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel::passive {

// Create it with std::make_shared: posted runs reach it through a weak reference.
template <typename T>
class MessageQueueManager
    : public std::enable_shared_from_this<MessageQueueManager<T>> {
 public:
  using Consumer = std::function<void()>;
  static constexpr size_t kRunBatch = 256;
  static constexpr size_t kOnEnqueuingThread = 0;

  MessageQueueManager(std::shared_ptr<boost::asio::thread_pool> pool, Consumer consumer,
                      size_t maxRuns = 1, std::shared_ptr<PipelineGauge> gauge = nullptr)
      : pool_(std::move(pool)), consumer_(std::move(consumer)),
        onEnqueuingThread_(maxRuns == kOnEnqueuingThread),
        maxRuns_(maxRuns == kOnEnqueuingThread ? 1 : maxRuns), gauge_(std::move(gauge)) {}

  void Enqueue(std::shared_ptr<const T> element) {
    if (gauge_) gauge_->Add();
    bool post = false;
    if (retired_) retired_->Release();
    {
      std::lock_guard lock(mutex_);
      fifo_.push_back(std::move(element));
      if (!onEnqueuingThread_ && runs_ < maxRuns_) {
        ++runs_;
        post = true;
      }
    }
    changed_.notify_all();
    if (onEnqueuingThread_) RunQueuedHere();
    if (post) PostRun();
  }

  // Runs the consumer on the calling thread until the FIFO is empty.
  void RunQueuedHere() {
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (fifo_.empty()) return;
        ++executing_;
      }
      const ExecutingGuard guard{*this};
      consumer_();
    }
  }
  // True while an element waits in the FIFO or a consumer is executing.
  bool IsBusy() const {
    std::lock_guard lock(mutex_);
    return !fifo_.empty() || executing_ != 0;
  }

  // The front element, or nothing when the FIFO is empty.
  std::shared_ptr<const T> Pop() {
    std::shared_ptr<const T> element;
    {
      std::lock_guard lock(mutex_);
      if (fifo_.empty()) return nullptr;
      element = std::move(fifo_.front());
      fifo_.pop_front();
      ++pops_;
    }
    if (gauge_) gauge_->Remove();
    return element;
  }

  // Up to `most` elements from the front, in order, under one lock: a consumer that takes a
  // run of neighbours keeps what they share (their datagram, its texts) on one core.
  std::vector<std::shared_ptr<const T>> PopUpTo(size_t most) {
    std::vector<std::shared_ptr<const T>> elements;
    {
      std::lock_guard lock(mutex_);
      const size_t count = fifo_.size() < most ? fifo_.size() : most;
      elements.reserve(count);
      for (size_t i = 0; i < count; ++i) {
        elements.push_back(std::move(fifo_.front()));
        fifo_.pop_front();
      }
      pops_ += count;
    }
    if (gauge_ && !elements.empty()) gauge_->Remove(elements.size());
    return elements;
  }

  // Set once, before the first Enqueue.
  void ReturnConsumedTo(std::shared_ptr<RetiredElements<T>> bin) { retired_ = std::move(bin); }
  // Hands consumed elements back (see ReturnConsumedTo); without a bin they go at once.
  void Retire(std::vector<std::shared_ptr<const T>> elements) {
    if (retired_) retired_->Add(std::move(elements));
  }

  bool IsEmpty() const {
    std::lock_guard lock(mutex_);
    return fifo_.empty();
  }
  size_t Size() const {
    std::lock_guard lock(mutex_);
    return fifo_.size();
  }
  // Waits until IsIdle or the timeout; returns IsIdle.
  bool WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return IdleLocked(); });
  }
  // True when nothing waits in the FIFO, no run is under way and no consumer executes: every
  // element enqueued so far has been processed.
  bool IsIdle() const {
    std::lock_guard lock(mutex_);
    return IdleLocked();
  }
  const std::shared_ptr<PipelineGauge>& Gauge() const { return gauge_; }

 private:
  bool IdleLocked() const { return fifo_.empty() && runs_ == 0 && executing_ == 0; }

  // The run holds the queue only weakly: a queue released at shutdown ends its runs at once.
  void PostRun() {
    PostToPool(*pool_, [weak = this->weak_from_this()] {
      if (const auto self = weak.lock()) self->Run();
    });
  }

  // Consumes until the FIFO is found empty under the lock, where the next Enqueue will see
  // that this run has ended; after a batch, yields the pool thread and goes on as a new run.
  // A consumer that took nothing (a queue only inspected, never drained) ends the run too,
  // rather than spin on the element it leaves.
  void Run() {
    uint64_t popsBefore = 0;
    for (size_t done = 0; done < kRunBatch; ++done) {
      {
        std::lock_guard lock(mutex_);
        if (fifo_.empty() || (done != 0 && pops_ == popsBefore)) {
          --runs_;
          changed_.notify_all();
          return;
        }
        popsBefore = pops_;
        ++executing_;
      }
      const ExecutingGuard guard{*this};
      consumer_();
    }
    PostRun();
  }

  // Counts a consumer call as finished however it leaves.
  struct ExecutingGuard {
    ~ExecutingGuard() {
      {
        std::lock_guard lock(queue.mutex_);
        --queue.executing_;
      }
      queue.changed_.notify_all();
    }
    MessageQueueManager& queue;
  };

  std::shared_ptr<boost::asio::thread_pool> pool_;
  Consumer consumer_;
  const bool onEnqueuingThread_;
  const size_t maxRuns_;
  std::shared_ptr<PipelineGauge> gauge_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<const T>> fifo_;
  std::shared_ptr<RetiredElements<T>> retired_;
  size_t runs_ = 0;
  size_t executing_ = 0;
  uint64_t pops_ = 0;
};

}  // namespace Quorvel::passive
