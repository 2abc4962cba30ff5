// The wait set's dispatch rules without any DDS: one handler run per condition at a time, no
// trigger lost, nothing before Start or after Stop, named threads that Stop joins.

#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/WaitCondition.h"
#include "middleware/transport/support/KeyedSeqFixture.h"
#include "support/ThreadNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Quorvel::Transport {
namespace {

using namespace std::chrono_literals;
using Quorvel::testing::ThreadNames;
using TransportTest::WaitFor;

std::size_t CountThreads(const std::string& name) {
  const auto names = ThreadNames();
  return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

// A reader stand-in: producers add items and trigger; the handler takes all there is.
struct Inbox {
  std::atomic<std::uint64_t> produced{0};
  std::atomic<std::uint64_t> consumed{0};
  std::atomic<int> inFlight{0};
  std::atomic<int> maxInFlight{0};
  std::atomic<int> runs{0};
};

TEST(AsyncWaitSet, SlowHandlerNeverRunsTwiceAtOnceAndLosesNoTrigger) {
  for (const bool unlockAtEnd : {false, true}) {
    SCOPED_TRACE(unlockAtEnd ? "handler unlocks when done" : "unlock left to the wait set");
    Inbox inbox;
    auto condition = WaitCondition::Create();
    AsyncWaitSet waitSet("TopicDissectorWorker", 4);
    waitSet.Attach(condition, [&] {
      const int now = ++inbox.inFlight;
      inbox.maxInFlight = std::max(inbox.maxInFlight.load(), now);
      ++inbox.runs;
      inbox.consumed = inbox.produced.load();  // "take everything available"
      std::this_thread::sleep_for(200us);
      --inbox.inFlight;
      if (unlockAtEnd) condition->Unlock();
    });
    waitSet.Start();
    std::vector<std::thread> producers;
    for (int p = 0; p < 3; ++p) {
      producers.emplace_back([&] {
        for (int i = 0; i < 3000; ++i) {
          ++inbox.produced;
          condition->Trigger();
        }
      });
    }
    for (auto& producer : producers) producer.join();
    ASSERT_TRUE(WaitFor([&] { return inbox.consumed == 9000u && !condition->Locked(); }, 10s))
        << "consumed " << inbox.consumed << " of 9000";
    EXPECT_EQ(inbox.maxInFlight, 1);
    EXPECT_GT(inbox.runs, 1);
    EXPECT_LT(inbox.runs, 9000) << "triggers while locked are merged into one re-dispatch";
  }
}

TEST(AsyncWaitSet, EarlyUnlockLetsTheNextBatchRunAlongside) {
  auto condition = WaitCondition::Create();
  AsyncWaitSet waitSet("TopicDissectorWorker", 2);
  std::latch bothRunning(2);
  std::atomic<int> runs{0};
  waitSet.Attach(condition, [&] {
    ++runs;
    condition->Unlock();
    bothRunning.arrive_and_wait();  // blocks forever unless a second run starts meanwhile
  });
  waitSet.Start();
  condition->Trigger();
  ASSERT_TRUE(WaitFor([&] { return runs == 1; }, 5s));
  condition->Trigger();
  ASSERT_TRUE(WaitFor([&] { return runs == 2; }, 5s));
  EXPECT_TRUE(WaitFor([&] { return !condition->Locked(); }, 5s));
}

TEST(AsyncWaitSet, TriggersBeforeStartRunOnceAtStartAndNothingAfterStop) {
  auto condition = WaitCondition::Create();
  AsyncWaitSet waitSet("BuiltinTopicsWorker", 1);
  std::atomic<int> runs{0};
  waitSet.Attach(condition, [&] { ++runs; });
  condition->Trigger();
  condition->Trigger();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(condition->Pending());
  waitSet.Start();
  ASSERT_TRUE(WaitFor([&] { return runs == 1 && !condition->Locked(); }, 5s));
  waitSet.Stop();
  condition->Trigger();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(condition->Pending());
}

TEST(AsyncWaitSet, DetachedConditionIsNotDispatched) {
  auto condition = WaitCondition::Create();
  AsyncWaitSet waitSet("TopicDissectorWorker", 1);
  std::atomic<int> runs{0};
  waitSet.Attach(condition, [&] { ++runs; });
  waitSet.Start();
  condition->Trigger();
  ASSERT_TRUE(WaitFor([&] { return runs == 1 && !condition->Locked(); }, 5s));
  waitSet.Detach(condition);
  condition->Trigger();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(runs, 1);
}

TEST(AsyncWaitSet, ThrowingHandlerReleasesItsCondition) {
  auto condition = WaitCondition::Create();
  AsyncWaitSet waitSet("TopicDissectorWorker", 1);
  std::atomic<int> runs{0};
  waitSet.Attach(condition, [&] {
    ++runs;
    throw std::runtime_error("bad sample");
  });
  waitSet.Start();
  condition->Trigger();
  ASSERT_TRUE(WaitFor([&] { return runs == 1 && !condition->Locked(); }, 5s));
  condition->Trigger();
  EXPECT_TRUE(WaitFor([&] { return runs == 2; }, 5s));
}

TEST(AsyncWaitSet, ThreadsCarryTheNameAndStopJoinsThem) {
  const std::size_t before = ThreadNames().size();
  {
    AsyncWaitSet topics("TopicDissectorWorker", 3);
    AsyncWaitSet builtin("BuiltinTopicsWorker", 1);
    // Linux keeps 15 characters of a thread name.
    EXPECT_EQ(CountThreads("TopicDissectorW"), 3u);
    EXPECT_EQ(CountThreads("BuiltinTopicsWo"), 1u);
    topics.Start();
    topics.Stop();
    EXPECT_EQ(CountThreads("TopicDissectorW"), 0u);
  }
  EXPECT_EQ(ThreadNames().size(), before);
}

}  // namespace
}  // namespace Quorvel::Transport
