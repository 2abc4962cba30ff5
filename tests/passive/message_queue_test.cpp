// MessageQueueManager: every element consumed exactly once under
// concurrent producers and consumers, idleness, and runs after the queue is gone.

#include "passive/MessageQueueManager.h"

#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

namespace Quorvel::passive {
namespace {

using IntQueue = MessageQueueManager<int>;

TEST(MessageQueue, EveryElementIsConsumedExactlyOnceUnderConcurrentProducers) {
  auto pool = std::make_shared<boost::asio::thread_pool>(4);
  std::mutex seenMutex;
  std::multiset<int> seen;
  std::atomic<int> runs{0};
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(pool, [&] {
    ++runs;
    const auto queueNow = weak.lock();
    const auto element = queueNow ? queueNow->Pop() : nullptr;
    if (!element) return;
    std::lock_guard lock(seenMutex);
    seen.insert(*element);
  });
  weak = queue;
  constexpr int kProducers = 4;
  constexpr int kEach = 2500;
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kEach; ++i) queue->Enqueue(std::make_shared<const int>(p * kEach + i));
    });
  }
  for (auto& producer : producers) producer.join();
  ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(30)));
  EXPECT_EQ(runs.load(), kProducers * kEach);
  ASSERT_EQ(seen.size(), static_cast<size_t>(kProducers * kEach));
  int expected = 0;
  for (const int value : seen) EXPECT_EQ(value, expected++);  // each once, none lost
  EXPECT_TRUE(queue->IsEmpty());
  pool->join();
}

TEST(MessageQueue, OnePoolThreadConsumesInArrivalOrder) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::vector<int> order;
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(pool, [&] { order.push_back(*weak.lock()->Pop()); });
  weak = queue;
  for (int i = 0; i < 100; ++i) queue->Enqueue(std::make_shared<const int>(i));
  ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
  std::vector<int> expected(100);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
  pool->join();
}

TEST(MessageQueue, IdleOnlyWhenNothingWaitsAndNoRunIsGoing) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::atomic<bool> release{false};
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(pool, [&] {
    weak.lock()->Pop();
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  weak = queue;
  EXPECT_TRUE(queue->IsIdle());
  queue->Enqueue(std::make_shared<const int>(1));
  // The run has popped (or is about to): the FIFO may be empty but the queue is not idle.
  EXPECT_FALSE(queue->WaitUntilIdle(std::chrono::milliseconds(50)));
  EXPECT_FALSE(queue->IsIdle());
  release = true;
  EXPECT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
  pool->join();
}

TEST(MessageQueue, RunsPostedBeforeTheQueueWentAwayDoNothing) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::atomic<bool> release{false};
  std::atomic<int> consumed{0};
  // Block the only thread so the runs stay queued in the pool.
  boost::asio::thread_pool& raw = *pool;
  PostToPool(raw, [&release] {
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  auto queue = std::make_shared<IntQueue>(pool, [&consumed] { ++consumed; });
  for (int i = 0; i < 10; ++i) queue->Enqueue(std::make_shared<const int>(i));
  queue.reset();
  release = true;
  pool->join();
  EXPECT_EQ(consumed.load(), 0);
}

// A serialized queue hands its elements to one run at a time, in arrival order, while other
// pool threads stay free; RunQueuedHere does the waiting work on the caller's thread.
TEST(MessageQueue, SerializedQueueConsumesInOrderOneAtATime) {
  auto pool = std::make_shared<boost::asio::thread_pool>(4);
  std::vector<int> order;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(
      pool,
      [&] {
        if (inside.fetch_add(1) != 0) overlapped = true;
        if (const auto element = weak.lock()->Pop()) order.push_back(*element);
        inside.fetch_sub(1);
      },
      true);
  weak = queue;
  constexpr int kCount = 5000;
  for (int i = 0; i < kCount; ++i) queue->Enqueue(std::make_shared<const int>(i));
  ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(30)));
  EXPECT_FALSE(overlapped.load());
  std::vector<int> expected(kCount);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
  pool->join();
}

TEST(MessageQueue, RunQueuedHereConsumesOnTheCallingThreadWhenThePoolIsBusy) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::atomic<bool> release{false};
  boost::asio::post(*pool, [&] {
    while (!release.load()) std::this_thread::yield();
  });
  std::vector<int> consumed;
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(pool, [&] {
    if (const auto element = weak.lock()->Pop()) consumed.push_back(*element);
  });
  weak = queue;
  for (int i = 0; i < 3; ++i) queue->Enqueue(std::make_shared<const int>(i));
  EXPECT_TRUE(queue->IsBusy());
  queue->RunQueuedHere();
  EXPECT_EQ(consumed, (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(queue->IsBusy());
  EXPECT_FALSE(queue->IsIdle());  // the posted runs have not run yet
  release = true;
  EXPECT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
  pool->join();
}

}  // namespace
}  // namespace Quorvel::passive
