#pragma once

// Elements that consumer threads are done with, kept for the one thread that made them to
// destroy: freed there, their memory goes back to the allocator arena it came from, instead
// of a consumer freeing into an arena that the producer is allocating from at the same moment
// (a lock both contend for, which cost a recording's dissecting thread a fifth of its time).
// Shared by the queues whose elements that thread makes; it destroys them with Release,
// on its next Enqueue into any of them. At most kMost wait: beyond, a consumer frees its own.

#include <atomic>
#include <cstddef>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel::passive {

template <typename T>
class RetiredElements {
 public:
  using Elements = std::vector<std::shared_ptr<const T>>;
  static constexpr std::size_t kMost = 1 << 16;

  // What is not kept is destroyed on return, outside the lock.
  void Add(Elements elements) {
    std::lock_guard lock(mutex_);
    if (waiting_.size() + elements.size() > kMost) return;
    if (waiting_.empty()) {
      waiting_.swap(elements);
    } else {
      waiting_.insert(waiting_.end(), std::make_move_iterator(elements.begin()),
                      std::make_move_iterator(elements.end()));
    }
    any_.store(true, std::memory_order_release);
  }

  void Release() {
    // Most enqueues find the bin empty (it fills once a consumer run): they only read a flag,
    // rather than take a lock whose word the consumers write too.
    if (!any_.load(std::memory_order_acquire)) return;
    Elements released;
    std::lock_guard lock(mutex_);
    released.swap(waiting_);
    any_.store(false, std::memory_order_relaxed);
    // `released` goes after the lock (destroyed in reverse order of declaration).
  }

  std::size_t Waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
  }

 private:
  mutable std::mutex mutex_;
  Elements waiting_;
  std::atomic<bool> any_{false};
};

}  // namespace Quorvel::passive
