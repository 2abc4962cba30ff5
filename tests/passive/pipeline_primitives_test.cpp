// The pipeline's building blocks under threads: MessageQueueManager's bounded runs (no more
// consumers at once than allowed, each element once, the gauge following the FIFO, idleness,
// runs outliving their queue, draining on the caller's thread, consumption on the enqueuing
// thread, consumed elements handed back to it), PipelineGauge's pause, and
// DeliverySequencer's restored order.

#include "passive/DeliverySequencer.h"
#include "passive/MessageQueueManager.h"
#include "passive/PipelineGauge.h"
#include "passive/RetiredElements.h"

#include "dissection/DissectedSample.h"

#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace Quorvel::passive {
namespace {

using namespace std::chrono_literals;
using IntQueue = MessageQueueManager<int>;

// However many pool threads there are, a queue never has more consumers running than its
// limit, each element is consumed exactly once, and a queue of one run keeps arrival order.
TEST(QueueRuns, ConsumersAtOnceNeverExceedTheLimitAndEveryElementIsConsumedOnce) {
  for (const size_t maxRuns : {size_t{1}, size_t{2}, size_t{3}}) {
    auto pool = std::make_shared<boost::asio::thread_pool>(4);
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    std::vector<std::atomic<int>> seen(6000);
    std::weak_ptr<IntQueue> weak;
    std::vector<int> order;  // written by the one consumer of a serialized queue only
    auto queue = std::make_shared<IntQueue>(pool, [&] {
      const int now = inside.fetch_add(1) + 1;
      int most = mostInside.load();
      while (now > most && !mostInside.compare_exchange_weak(most, now)) {
      }
      if (const auto element = weak.lock()->Pop()) {
        seen[*element].fetch_add(1);
        if (maxRuns == 1) order.push_back(*element);
      }
      inside.fetch_sub(1);
    }, maxRuns);
    weak = queue;
    std::vector<std::thread> producers;
    for (int p = 0; p < 3; ++p) {
      producers.emplace_back([&queue, p] {
        for (int i = 0; i < 2000; ++i) queue->Enqueue(std::make_shared<const int>(p * 2000 + i));
      });
    }
    for (auto& producer : producers) producer.join();
    ASSERT_TRUE(queue->WaitUntilIdle(30s)) << maxRuns;
    EXPECT_LE(mostInside.load(), static_cast<int>(maxRuns));
    for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i].load(), 1) << "element " << i;
    // One run at a time takes the FIFO in arrival order: each producer's elements keep theirs.
    std::vector<int> lastOfProducer(3, -1);
    for (const int element : order) {
      EXPECT_LT(lastOfProducer[element / 2000], element);
      lastOfProducer[element / 2000] = element;
    }
    pool->join();
  }
}

// A batch that waited while the pool was busy is consumed by one run, in arrival order, and
// the gauge counts exactly the elements waiting in the FIFO.
TEST(QueueRuns, AWaitingBatchIsDrainedInOrderAndTheGaugeFollowsTheFifo) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::atomic<bool> release{false};
  boost::asio::post(*pool, [&] {
    while (!release.load()) std::this_thread::sleep_for(1ms);
  });
  auto gauge = std::make_shared<PipelineGauge>(100);
  std::vector<int> order;
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(
      pool, [&] { order.push_back(*weak.lock()->Pop()); }, 1, gauge);
  weak = queue;
  constexpr int kCount = 1000;  // several run batches
  for (int i = 0; i < kCount; ++i) queue->Enqueue(std::make_shared<const int>(i));
  EXPECT_EQ(gauge->Count(), static_cast<uint64_t>(kCount));
  EXPECT_TRUE(gauge->OverLimit());
  release = true;
  ASSERT_TRUE(queue->WaitUntilIdle(30s));
  std::vector<int> expected(kCount);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
  EXPECT_EQ(gauge->Count(), 0u);
  EXPECT_EQ(gauge->Peak(), static_cast<uint64_t>(kCount));
  pool->join();
}

TEST(QueueRuns, IdleOnlyWhenNothingWaitsAndNoRunIsGoing) {
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

TEST(QueueRuns, RunsPostedBeforeTheQueueWentAwayDoNothing) {
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

TEST(QueueRuns, RunQueuedHereConsumesOnTheCallingThreadWhenThePoolIsBusy) {
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

// Records the thread that destroys it.
struct Tracked {
  explicit Tracked(std::vector<std::thread::id>& destroyers) : destroyers(destroyers) {}
  ~Tracked() {
    const std::lock_guard lock(mutex);
    destroyers.push_back(std::this_thread::get_id());
  }
  static inline std::mutex mutex;
  std::vector<std::thread::id>& destroyers;
};

// A recording's router parses on the capture thread and gets back what the dissecting threads
// are done with: the elements consumed on the pool are destroyed by the enqueuing thread, at
// its next Enqueue into any queue sharing the bin; without a bin, or beyond the bound, they go
// where consumed.
TEST(QueueRuns, ConsumedElementsGoBackToTheEnqueuingThreadWithinTheBound) {
  using TrackedQueue = MessageQueueManager<Tracked>;
  for (const bool handBack : {true, false}) {
    SCOPED_TRACE(handBack);
    auto pool = std::make_shared<boost::asio::thread_pool>(1);
    std::vector<std::thread::id> destroyers;
    const auto bin = handBack ? std::make_shared<RetiredElements<Tracked>>() : nullptr;
    std::vector<std::shared_ptr<TrackedQueue>> queues;
    std::weak_ptr<TrackedQueue> first;
    std::weak_ptr<TrackedQueue> second;
    const auto consumeFrom = [](std::weak_ptr<TrackedQueue>& weak) {
      return [&weak] {
        const auto self = weak.lock();
        self->Retire(self->PopUpTo(8));
      };
    };
    queues.push_back(std::make_shared<TrackedQueue>(pool, consumeFrom(first)));
    queues.push_back(std::make_shared<TrackedQueue>(pool, consumeFrom(second)));
    first = queues[0];
    second = queues[1];
    for (const auto& queue : queues) queue->ReturnConsumedTo(bin);
    // Alternate queues: each Enqueue releases what either queue's consumer handed back.
    for (int i = 0; i < 3; ++i) {
      queues[i % 2]->Enqueue(std::make_shared<const Tracked>(destroyers));
      ASSERT_TRUE(queues[i % 2]->WaitUntilIdle(std::chrono::seconds(10)));
    }
    pool->join();  // no run holds a queue any more
    {
      const std::lock_guard lock(Tracked::mutex);
      // Handed back, the third waits for an Enqueue.
      ASSERT_EQ(destroyers.size(), handBack ? 2u : 3u);
      for (const auto& destroyer : destroyers) {
        EXPECT_EQ(destroyer == std::this_thread::get_id(), handBack);
      }
    }
    if (bin) bin->Release();
    EXPECT_EQ(destroyers.size(), 3u);
  }
  // More than the bound at once are not kept.
  RetiredElements<Tracked> bin;
  std::vector<std::thread::id> destroyers;
  RetiredElements<Tracked>::Elements many;
  for (size_t i = 0; i <= RetiredElements<Tracked>::kMost; ++i) {
    many.push_back(std::make_shared<const Tracked>(destroyers));
  }
  bin.Add(std::move(many));
  EXPECT_EQ(bin.Waiting(), 0u);
  EXPECT_EQ(destroyers.size(), RetiredElements<Tracked>::kMost + 1);
}

// With no runs posted, each element is consumed by the thread that enqueues it, at once.
TEST(QueueRuns, OnTheEnqueuingThreadEachElementIsConsumedBeforeEnqueueReturns) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  std::vector<std::pair<int, std::thread::id>> consumed;
  std::weak_ptr<IntQueue> weak;
  auto queue = std::make_shared<IntQueue>(
      pool,
      [&] {
        if (const auto element = weak.lock()->Pop())
          consumed.emplace_back(*element, std::this_thread::get_id());
      },
      IntQueue::kOnEnqueuingThread);
  weak = queue;
  for (int i = 0; i < 3; ++i) {
    queue->Enqueue(std::make_shared<const int>(i));
    ASSERT_EQ(consumed.size(), static_cast<size_t>(i + 1));
    EXPECT_EQ(consumed.back(), std::make_pair(i, std::this_thread::get_id()));
  }
  EXPECT_TRUE(queue->IsIdle());
  pool->join();
}

TEST(PipelineGaugeWait, ResumesAtHalfTheLimitAndGivesUpWhenStopped) {
  PipelineGauge gauge(10);
  std::atomic<bool> running{true};
  gauge.Add(5);
  gauge.WaitForRoom(running);  // not over the limit: returns at once
  gauge.Add(7);                // 12 > 10
  std::atomic<bool> downToHalf{false};
  std::thread consumer([&] {
    std::this_thread::sleep_for(30ms);
    gauge.Remove(2);  // 10: within the limit, but a capture resumed now would stop again soon
    std::this_thread::sleep_for(30ms);
    downToHalf = true;
    gauge.Remove(5);  // 5: half
  });
  gauge.WaitForRoom(running);
  EXPECT_TRUE(downToHalf.load()) << "resumed before the pipeline was down to half the limit";
  consumer.join();
  EXPECT_EQ(gauge.Peak(), 12u);

  gauge.Add(20);
  std::thread stopper([&] {
    std::this_thread::sleep_for(20ms);
    running = false;
  });
  gauge.WaitForRoom(running);  // returns without any room made
  stopper.join();
  EXPECT_EQ(gauge.Count(), 25u);
}

class NumberedSample : public DissectedSample {
 public:
  explicit NumberedSample(int number)
      : DissectedSample(nullptr, nullptr, DissectedSampleDataType::USER_DATA), number(number) {}
  DissectedSampleSource Type() const override { return DissectedSampleSource::PASSIVE; }
  const int number;
};

// Tickets settled in any order, from several threads, some skipped (dropped samples), release
// exactly the completed samples in ticket order.
TEST(DeliveryOrder, SamplesSettledInAnyOrderAreReleasedInTicketOrder) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    std::vector<int> released;
    auto gauge = std::make_shared<PipelineGauge>(1000);
    DeliverySequencer sequencer(
        [&](std::shared_ptr<DissectedSample> sample, DataProcessor*) {
          released.push_back(static_cast<const NumberedSample&>(*sample).number);
        },
        gauge);
    constexpr int kCount = 3000;
    std::vector<int> tickets(kCount);
    for (int& ticket : tickets) ticket = static_cast<int>(sequencer.Reserve());
    std::shuffle(tickets.begin(), tickets.end(), std::mt19937(seed));
    std::vector<std::thread> workers;
    for (int w = 0; w < 3; ++w) {
      workers.emplace_back([&, w] {
        for (size_t i = static_cast<size_t>(w); i < tickets.size(); i += 3) {
          const int ticket = tickets[i];
          if (ticket % 7 == 0) {
            sequencer.Skip(static_cast<uint64_t>(ticket));
          } else {
            sequencer.Complete(static_cast<uint64_t>(ticket),
                               std::make_shared<NumberedSample>(ticket), nullptr);
          }
        }
      });
    }
    for (auto& worker : workers) worker.join();
    std::vector<int> expected;
    for (int n = 0; n < kCount; ++n) {
      if (n % 7 != 0) expected.push_back(n);
    }
    EXPECT_EQ(released, expected) << "seed " << seed;
    EXPECT_EQ(sequencer.Pending(), 0u);
    // Each completed sample stays on the gauge until whoever delivers it takes it off.
    EXPECT_EQ(gauge->Count(), expected.size());
  }
}

TEST(DeliveryOrder, ALaterSampleWaitsForAnEarlierTicketAndSettlingTwiceIsRefused) {
  std::vector<int> released;
  DeliverySequencer sequencer(
      [&](std::shared_ptr<DissectedSample> sample, DataProcessor*) {
        released.push_back(static_cast<const NumberedSample&>(*sample).number);
      },
      nullptr);
  const uint64_t first = sequencer.Reserve();
  const uint64_t second = sequencer.Reserve();
  sequencer.Complete(second, std::make_shared<NumberedSample>(2), nullptr);
  EXPECT_TRUE(released.empty());
  EXPECT_EQ(sequencer.Pending(), 2u);
  EXPECT_THROW(sequencer.Skip(second), std::logic_error);
  sequencer.Complete(first, std::make_shared<NumberedSample>(1), nullptr);
  EXPECT_EQ(released, (std::vector<int>{1, 2}));
  EXPECT_THROW(sequencer.Skip(first), std::logic_error);
  EXPECT_THROW(sequencer.Skip(7), std::logic_error);  // never reserved
}

}  // namespace
}  // namespace Quorvel::passive
