#pragma once

// A few used objects kept for reuse by whichever thread asks next, so that a per-sample
// object with large buffers (a decoded sample, a JSON text) keeps its memory instead of
// going through the allocator every time. Bounded: what finds it full is destroyed.

#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace Quorvel {

template <typename T>
class SpareObjects {
 public:
  explicit SpareObjects(std::size_t most) : most(most) {}

  std::optional<T> Take() {
    std::lock_guard guard(lock);
    if (spare.empty()) return std::nullopt;
    std::optional<T> taken(std::move(spare.back()));
    spare.pop_back();
    return taken;
  }

  void Give(T object) {
    {
      std::lock_guard guard(lock);
      if (spare.size() < most) {
        spare.push_back(std::move(object));
        return;
      }
    }
    // Destroyed here, outside the lock.
  }

  // A spare object, or a new one from `make`, given back when the lease ends.
  class Lease {
   public:
    Lease(SpareObjects& home, T object) : home(home), object(std::move(object)) {}
    ~Lease() { home.Give(std::move(object)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    T& operator*() { return object; }

   private:
    SpareObjects& home;
    T object;
  };

  template <typename Make>
  Lease Borrow(Make&& make) {
    std::optional<T> taken = Take();
    return Lease(*this, taken ? std::move(*taken) : make());
  }

 private:
  std::mutex lock;
  std::vector<T> spare;
  const std::size_t most;
};

}  // namespace Quorvel
