// The delivery lane under contention: threads that push and drain at once must get every
// sample to the listener exactly once, one at a time, each pusher's samples in its order, and
// nothing may be left behind when the last drain returns.

#include "passive/DeliveryLane.h"

#include "dissection/DissectedSample.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Quorvel::passive {
namespace {

// The processor pointer carries (pusher, sequence number); no sample object is needed.
DataProcessor* Tag(std::uintptr_t pusher, std::uintptr_t number) {
  return reinterpret_cast<DataProcessor*>((pusher << 32) | (number + 1));
}

TEST(DeliveryLane, ConcurrentPushersAreDeliveredOnceEachInTheirOrderOneAtATime) {
  constexpr int kPushers = 4;
  constexpr std::uintptr_t kEach = 20000;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::uintptr_t> lastSeen(kPushers, 0);
  std::uint64_t delivered = 0;
  bool outOfOrder = false;
  DeliveryLane lane([&](const std::shared_ptr<DissectedSample>&, DataProcessor* processor) {
    if (inside.fetch_add(1) != 0) overlapped = true;
    const auto tag = reinterpret_cast<std::uintptr_t>(processor);
    const auto pusher = tag >> 32;
    const auto number = tag & 0xffffffffu;
    if (number != lastSeen[pusher] + 1) outOfOrder = true;
    lastSeen[pusher] = number;
    ++delivered;
    inside.fetch_sub(1);
  });
  std::vector<std::thread> pushers;
  for (int p = 0; p < kPushers; ++p) {
    pushers.emplace_back([&lane, p] {
      for (std::uintptr_t k = 0; k < kEach; ++k) {
        lane.Push(nullptr, Tag(static_cast<std::uintptr_t>(p), k));
        // Some pushes leave the draining to whoever drains next.
        if (k % 3 != 0) lane.Drain();
      }
      lane.Drain();
    });
  }
  for (std::thread& pusher : pushers) pusher.join();
  EXPECT_FALSE(overlapped);
  EXPECT_FALSE(outOfOrder);
  EXPECT_EQ(delivered, kPushers * kEach);
  EXPECT_EQ(lane.Pending(), 0u);
}

TEST(DeliveryLane, AStoppedLaneDeliversNothingMore) {
  int delivered = 0;
  DeliveryLane lane([&](const std::shared_ptr<DissectedSample>&, DataProcessor*) { ++delivered; });
  lane.Push(nullptr, nullptr);
  lane.Drain();
  lane.Push(nullptr, nullptr);
  lane.Stop();
  lane.Drain();
  EXPECT_EQ(delivered, 1);
}

}  // namespace
}  // namespace Quorvel::passive
