#pragma once

// The hand-over between stages of the passive pipeline. Every Enqueue appends one element and
// posts one run of the consumer to the thread pool; each run pops one element. Several runs of
// one consumer may therefore execute at once on different pool threads; the FIFO hands them
// elements in arrival order. The mutex guards the FIFO and the counts of runs not yet finished
// and of runs executing; consumers take their element under it and process it outside.
// RunQueuedHere lets a thread that waits for this queue do its work itself, so a wait cannot
// depend on a pool thread that the waiter occupies; the posted runs then find nothing to pop.

#include "passive/ThreadPoolPost.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace Quorvel::passive {

// Create it with std::make_shared: posted runs reach it through a weak reference.
template <typename T>
class MessageQueueManager
    : public std::enable_shared_from_this<MessageQueueManager<T>> {
 public:
  using Consumer = std::function<void()>;

  MessageQueueManager(std::shared_ptr<boost::asio::thread_pool> pool, Consumer consumer)
      : pool_(std::move(pool)), consumer_(std::move(consumer)) {}

  void Enqueue(std::shared_ptr<const T> element) {
    {
      std::lock_guard lock(mutex_);
      fifo_.push_back(std::move(element));
      ++runsPending_;
    }
    changed_.notify_all();
    // The run holds the queue only weakly: a queue released at shutdown ends its runs at once.
    PostToPool(*pool_, [weak = this->weak_from_this(), consumer = consumer_] {
      const auto self = weak.lock();
      if (!self) return;
      const RunGuard guard{*self, true};
      consumer();
    });
  }

  // Runs the consumer on the calling thread until the FIFO is empty.
  void RunQueuedHere() {
    while (!IsEmpty()) {
      const RunGuard guard{*this, false};
      consumer_();
    }
  }
  // True while an element waits in the FIFO or a consumer is executing.
  bool IsBusy() const {
    std::lock_guard lock(mutex_);
    return !fifo_.empty() || runsExecuting_ != 0;
  }

  // The front element, or nothing when the FIFO is empty.
  std::shared_ptr<const T> Pop() {
    std::lock_guard lock(mutex_);
    if (fifo_.empty()) return nullptr;
    auto element = std::move(fifo_.front());
    fifo_.pop_front();
    return element;
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
    return changed_.wait_for(lock, timeout, [this] { return fifo_.empty() && runsPending_ == 0; });
  }
  // True when nothing waits in the FIFO and no posted run is still going: every element
  // enqueued so far has been processed.
  bool IsIdle() const {
    std::lock_guard lock(mutex_);
    return fifo_.empty() && runsPending_ == 0;
  }

 private:
  // Counts a run as executing while the consumer runs, and as finished however it leaves.
  struct RunGuard {
    RunGuard(MessageQueueManager& queue, bool posted) : queue(queue), posted(posted) {
      std::lock_guard lock(queue.mutex_);
      ++queue.runsExecuting_;
    }
    ~RunGuard() {
      {
        std::lock_guard lock(queue.mutex_);
        --queue.runsExecuting_;
        if (posted) --queue.runsPending_;
      }
      queue.changed_.notify_all();
    }
    MessageQueueManager& queue;
    const bool posted;
  };

  std::shared_ptr<boost::asio::thread_pool> pool_;
  Consumer consumer_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<const T>> fifo_;
  size_t runsPending_ = 0;
  size_t runsExecuting_ = 0;
};

}  // namespace Quorvel::passive
