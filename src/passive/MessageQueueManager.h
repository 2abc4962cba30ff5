#pragma once

// The hand-over between stages of the passive pipeline. Every Enqueue appends one element and
// posts one run of the consumer to the thread pool; each run pops one element. Several runs of
// one consumer may therefore execute at once on different pool threads; the FIFO hands them
// elements in arrival order. The mutex guards the FIFO and the counts of runs not yet finished
// and of runs executing; consumers take their element under it and process it outside.
// A serialized queue instead posts one run at a time, which consumes until the FIFO is empty:
// its elements are processed one after another in arrival order, without holding a second
// pool thread.
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

  MessageQueueManager(std::shared_ptr<boost::asio::thread_pool> pool, Consumer consumer,
                      bool serialized = false)
      : pool_(std::move(pool)), consumer_(std::move(consumer)), serialized_(serialized) {}

  void Enqueue(std::shared_ptr<const T> element) {
    bool post = true;
    {
      std::lock_guard lock(mutex_);
      fifo_.push_back(std::move(element));
      if (serialized_ && draining_) {
        post = false;
      } else {
        draining_ = serialized_;
        ++runsPending_;
      }
    }
    changed_.notify_all();
    if (!post) return;
    // The run holds the queue only weakly: a queue released at shutdown ends its runs at once.
    PostToPool(*pool_, [weak = this->weak_from_this()] {
      const auto self = weak.lock();
      if (!self) return;
      const RunGuard guard{*self, true};
      if (self->serialized_) {
        self->Drain();
      } else {
        self->consumer_();
      }
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
  // The one run of a serialized queue: consumes until the FIFO is found empty under the lock,
  // where the next Enqueue will see that no run drains any more.
  void Drain() {
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (fifo_.empty()) {
          draining_ = false;
          return;
        }
      }
      consumer_();
    }
  }

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
  const bool serialized_;
  bool draining_ = false;
};

}  // namespace Quorvel::passive
