// Caller threads racing on one engine object: Init, Run, Shutdown and listener binding at once
// must neither crash nor deadlock, and the queue must hand every sample out exactly once.
// Run under ThreadSanitizer too (VELTRANE_SANITIZE=thread).

#include "engine/support/LogDirectory.h"
#include "engine/support/RunningTestEngine.h"
#include "engine/support/TestEngine.h"

#include "engine/core/EngineDB.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Quorvel::Testing {
namespace {

using namespace std::chrono_literals;
using O = EngineListenerEventsOptions;

// A deadlock shows up as a test failure instead of a hung test run.
template <typename Body>
void WithinDeadline(Body&& body) {
  auto done = std::async(std::launch::async, std::forward<Body>(body));
  ASSERT_EQ(done.wait_for(120s), std::future_status::ready) << "threads did not finish: deadlock";
  done.get();
}

EngineConfiguration Configuration() {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::ACTIVE_STATIC_MONITORING;
  configuration.jsonOutput = true;
  return configuration;
}

// Exceptions the racing calls may legitimately meet, depending on who wins.
bool Expected(const std::string& message) {
  static const std::set<std::string> kAllowed = {
      "Veltrane Already Initialized",
      "Engine is not initialized",
      "Engine is not initialized / running",
      "Veltrane was shut down and cannot be initialized again",
      "Veltrane::BindListener Fatal Error: Cannot bind listener if Engine is not initialized",
      "Veltrane::UnbindListener Fatal Error: Cannot unbind listener if Engine is not initialized",
  };
  return kAllowed.count(message) != 0;
}

TEST(Concurrency, LifecycleCallsFromManyThreadsOnOneObject) {
  LogDirectory log(LogSeverityLevel::WARNING);
  ScopedTestEngines engines;
  constexpr int kRounds = 30;
  constexpr int kThreadsPerCall = 2;
  std::atomic<int> unexpected{0};
  std::mutex failuresMutex;
  std::vector<std::string> failures;

  WithinDeadline([&] {
    for (int round = 0; round < kRounds; ++round) {
      const int initsBefore = engines.Script().inits;
      const int terminatesBefore = engines.Script().terminates;
      {
        Veltrane veltrane;
        EngineListener listener;
        std::atomic<bool> go{false};
        const auto guarded = [&](auto call) {
          return [&, call] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < 20; ++i) {
              try {
                call();
              } catch (const std::runtime_error& e) {
                if (!Expected(e.what())) {
                  ++unexpected;
                  std::lock_guard<std::mutex> guard(failuresMutex);
                  failures.push_back(e.what());
                }
              }
            }
          };
        };
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreadsPerCall; ++t) {
          threads.emplace_back(guarded([&] { veltrane.Init(Configuration()); }));
          threads.emplace_back(guarded([&] { veltrane.Run(); }));
          threads.emplace_back(guarded([&] {
            veltrane.BindListener(&listener, static_cast<unsigned long>(O::USER_DATA_JSON));
          }));
          threads.emplace_back(guarded([&] { veltrane.UnbindListener(); }));
          threads.emplace_back(guarded([&] {
            veltrane.GetNextDissectedSample();
            (void)veltrane.OperationMode();
          }));
        }
        threads.emplace_back(guarded([&] {
          std::this_thread::sleep_for(1ms);
          veltrane.Shutdown();
        }));
        go.store(true);
        for (std::thread& thread : threads) thread.join();
      }
      // One Init won; whatever ran, the engine was terminated at most once and is gone.
      EXPECT_EQ(engines.Script().inits - initsBefore, 1);
      EXPECT_LE(engines.Script().terminates - terminatesBefore, 1);
      EXPECT_EQ(engines.Script().destroyed.load(), engines.Script().inits.load());
    }
  });
  EXPECT_EQ(unexpected.load(), 0) << (failures.empty() ? "" : failures.front());
  EXPECT_EQ(EngineFactory::Instance().ActiveEngines(), 0u);
}

TEST(Concurrency, ManyObjectsStartAndStopTogether) {
  LogDirectory log(LogSeverityLevel::WARNING);
  ScopedTestEngines engines;
  constexpr int kObjects = 8;
  WithinDeadline([&] {
    std::vector<std::thread> threads;
    for (int i = 0; i < kObjects; ++i) {
      threads.emplace_back([] {
        for (int round = 0; round < 10; ++round) {
          Veltrane veltrane;
          veltrane.Init(Configuration());
          veltrane.Run();
          veltrane.Shutdown();
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  });
  EXPECT_EQ(engines.Script().inits, kObjects * 10);
  EXPECT_EQ(engines.Script().terminates, kObjects * 10);
  EXPECT_EQ(EngineFactory::Instance().ActiveEngines(), 0u);
}

TEST(Concurrency, QueueHandsEverySampleOutOnceAndInOrderPerProducer) {
  RunningTestEngine running(Configuration());
  Veltrane& veltrane = running.Facade();
  veltrane.SetQueuedMessageKind(static_cast<unsigned long>(O::USER_DATA_AVAILABLE_NOTIFICATION));
  EngineDB& registry = running.Registry();

  constexpr int kProducers = 4;
  constexpr int kPerProducer = 2000;
  // markers[p][i] is sample i of producer p.
  std::vector<std::vector<std::shared_ptr<int>>> markers(kProducers);
  std::map<const void*, std::pair<int, int>> origin;
  for (int p = 0; p < kProducers; ++p) {
    for (int i = 0; i < kPerProducer; ++i) {
      markers[p].push_back(std::make_shared<int>(i));
      origin[markers[p].back().get()] = {p, i};
    }
  }

  std::atomic<int> taken{0};
  std::mutex seenMutex;
  std::vector<std::vector<int>> seen(kProducers);  // per producer, in the order taken
  WithinDeadline([&] {
    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p) {
      threads.emplace_back([&, p] {
        for (int i = 0; i < kPerProducer; ++i) registry.EnqueueSample(Marker(markers[p][i]));
      });
    }
    for (int c = 0; c < 3; ++c) {
      threads.emplace_back([&] {
        while (taken.load() < kProducers * kPerProducer) {
          // Pop under one lock with the record, so the per-producer order seen is the queue's.
          std::lock_guard<std::mutex> guard(seenMutex);
          std::shared_ptr<DissectedSample> sample = registry.PopNextSample();
          if (!sample) continue;
          const auto [producer, index] = origin.at(sample.get());
          seen[producer].push_back(index);
          ++taken;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  });
  for (int p = 0; p < kProducers; ++p) {
    ASSERT_EQ(seen[p].size(), static_cast<std::size_t>(kPerProducer));
    for (int i = 0; i < kPerProducer; ++i) ASSERT_EQ(seen[p][i], i);
  }
  EXPECT_TRUE(veltrane.GetNextDissectedSample()->IsNull());
}

// A listener callback runs under the registry's listener lock; the queue and state queries it
// makes must not wait for a BindListener that is itself waiting for that lock.
TEST(Concurrency, CallbackQueriesDoNotDeadlockWithBinding) {
  RunningTestEngine running(Configuration());
  Veltrane& veltrane = running.Facade();
  EngineDB& registry = running.Registry();
  EngineListener listener;

  WithinDeadline([&] {
    std::atomic<bool> stop{false};
    std::thread worker([&] {
      while (!stop.load()) {
        std::unique_lock<std::shared_mutex> callback(registry.ListenerLock());
        veltrane.GetNextDissectedSample();
        (void)veltrane.OperationMode();
      }
    });
    for (int i = 0; i < 500; ++i) {
      veltrane.BindListener(&listener, static_cast<unsigned long>(O::USER_DATA_JSON));
      veltrane.UnbindListener();
    }
    stop.store(true);
    worker.join();
  });
}

}  // namespace
}  // namespace Quorvel::Testing
