// Delivery of real dissected samples through DDSEngine::HandleDissectedSample: several workers
// at once, a listener and the queue, the order of callbacks, and the sample handle.

#include "engine/support/DeliveryFixture.h"

#include "dissection/DDSSample.h"
#include "engine/core/EngineDB.h"

#include <quorvel/DissectedSampleInterface.h>
#include <quorvel/EngineListener.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace Quorvel::Testing {
namespace {

using O = EngineListenerEventsOptions;
using Kind = DissectedSampleDataType;

constexpr std::uint32_t Bits(std::initializer_list<O> options) {
  std::uint32_t bits = 0;
  for (O option : options) bits |= static_cast<std::uint32_t>(option);
  return bits;
}

// Records every callback; flags any two callbacks that run at the same time.
class RecordingListener : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override { Record("json", IdOfJson(json), json); }
  void OnUserDataMap(const std::map<std::string, std::string>& fields) override {
    Record("map", IdOf(fields), {});
  }
  void OnUserDataAvailableNotification() override { Record("notify", -1, {}); }
  void OnDiscoveryDataJson(const std::string& json) override {
    Record("discovery json", IdOfJson(json), json);
  }
  void OnDiscoveryDataMap(const std::map<std::string, std::string>& fields) override {
    Record("discovery map", IdOf(fields), {});
  }
  void OnDiscoveryDataAvailableNotification() override { Record("discovery notify", -1, {}); }

  struct Call {
    std::string what;
    std::int32_t id;
    std::string text;
  };
  std::vector<Call> calls;  // written only inside callbacks, which must not overlap
  std::atomic<bool> overlapped{false};

 private:
  void Record(const char* what, std::int32_t id, std::string text) {
    if (inside.exchange(true)) overlapped = true;
    calls.push_back({what, id, std::move(text)});
    // Widen the window in which an overlapping callback would be caught.
    std::this_thread::yield();
    inside = false;
  }
  std::atomic<bool> inside{false};
};

struct Delivery {
  explicit Delivery(std::shared_ptr<EngineConfig> config)
      : engine(config),
        processor(config, [this](std::shared_ptr<DissectedSample> sample, DataProcessor* from) {
          engine.HandleDissectedSample(std::move(sample), from);
        }) {
    engine.Init();
  }
  DeliveringEngine engine;
  TrackProcessor processor;
};

TEST(Delivery, ConcurrentWorkersReachListenerAndQueueExactlyOnceInOrder) {
  constexpr int kWorkers = 4;
  constexpr int kPerWorker = 400;
  Delivery delivery(OutputConfig(true, true));
  RecordingListener listener;
  delivery.engine.BindListener(
      &listener, Bits({O::USER_DATA_JSON, O::USER_DATA_MAP, O::USER_DATA_AVAILABLE_NOTIFICATION}));

  std::vector<std::int32_t> drained;
  std::atomic<int> finishedWorkers{0};
  // Drains while the workers deliver, never waiting for data.
  std::thread drainer([&] {
    while (true) {
      const bool workersDone = finishedWorkers.load() == kWorkers;
      DissectedSampleInterface handle(delivery.engine.NextDissectedSample());
      if (handle.IsNull()) {
        if (workersDone) break;
        std::this_thread::yield();
        continue;
      }
      drained.push_back(IdOf(handle.ToMap()));
    }
  });
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kPerWorker; ++i) delivery.processor.Dissect(w * 10000 + i, Kind::USER_DATA);
      ++finishedWorkers;
    });
  }
  for (std::thread& worker : workers) worker.join();
  drainer.join();

  EXPECT_FALSE(listener.overlapped);
  std::multiset<std::int32_t> jsonIds, mapIds;
  int notifications = 0;
  for (const auto& call : listener.calls) {
    if (call.what == "json") jsonIds.insert(call.id);
    if (call.what == "map") mapIds.insert(call.id);
    if (call.what == "notify") ++notifications;
  }
  std::multiset<std::int32_t> expected;
  for (int w = 0; w < kWorkers; ++w)
    for (int i = 0; i < kPerWorker; ++i) expected.insert(w * 10000 + i);
  EXPECT_EQ(jsonIds, expected);
  EXPECT_EQ(mapIds, expected);
  EXPECT_EQ(notifications, kWorkers * kPerWorker);
  ASSERT_EQ(drained.size(), expected.size());
  EXPECT_EQ(std::multiset<std::int32_t>(drained.begin(), drained.end()), expected);
  // Each worker's samples leave the queue in the order that worker delivered them.
  std::map<int, std::int32_t> lastOfWorker;
  for (std::int32_t id : drained) {
    const int worker = id / 10000;
    if (lastOfWorker.count(worker)) {
      EXPECT_LT(lastOfWorker[worker], id);
    }
    lastOfWorker[worker] = id;
  }
}

TEST(Delivery, QueueOnlyDrainsInArrivalOrderAndDropsUnregisteredKinds) {
  Delivery delivery(OutputConfig(false, false));
  delivery.engine.BindListener(nullptr, Bits({O::USER_DATA_AVAILABLE_NOTIFICATION}));
  std::vector<std::shared_ptr<DissectedSample>> sent;
  for (std::int32_t id : {5, 3, 9}) {
    sent.push_back(delivery.processor.Make(id, Kind::USER_DATA));
    delivery.engine.HandleDissectedSample(sent.back(), &delivery.processor);
    delivery.engine.HandleDissectedSample(delivery.processor.Make(id, Kind::DISCOVERY_DATA),
                                          &delivery.processor);
  }
  std::vector<std::shared_ptr<DissectedSample>> drained;
  while (auto sample = delivery.engine.NextDissectedSample()) drained.push_back(sample);
  EXPECT_EQ(drained, sent);
}

TEST(Delivery, CallbackOrderPerSampleAndKinds) {
  Delivery delivery(OutputConfig(true, true));
  RecordingListener listener;
  delivery.engine.BindListener(
      &listener, Bits({O::USER_DATA_JSON, O::USER_DATA_AVAILABLE_NOTIFICATION, O::USER_DATA_MAP,
                       O::DISCOVERY_DATA_MAP}));
  delivery.processor.Dissect(4, Kind::USER_DATA);
  delivery.processor.Dissect(8, Kind::DISCOVERY_DATA);
  std::vector<std::string> order;
  for (const auto& call : listener.calls) order.push_back(call.what + ":" + std::to_string(call.id));
  EXPECT_EQ(order, (std::vector<std::string>{"json:4", "map:4", "notify:-1", "discovery map:8"}));
  // Discovery samples are not queued without their notification bit.
  ASSERT_NE(delivery.engine.NextDissectedSample(), nullptr);
  EXPECT_EQ(delivery.engine.NextDissectedSample(), nullptr);

  delivery.engine.UnbindListener();
  delivery.processor.Dissect(5, Kind::USER_DATA);
  EXPECT_EQ(listener.calls.size(), 4u);
  EXPECT_EQ(delivery.engine.NextDissectedSample(), nullptr);
}

TEST(Delivery, ListenerJsonSortedByNameWhileTheHandleKeepsTypeOrder) {
  Delivery delivery(OutputConfig(true, true, FieldsOrdering::STANDARDIZED_UNORDERED));
  RecordingListener listener;
  delivery.engine.BindListener(&listener,
                               Bits({O::USER_DATA_JSON, O::USER_DATA_AVAILABLE_NOTIFICATION}));
  delivery.processor.Dissect(3, Kind::USER_DATA);
  ASSERT_EQ(listener.calls.size(), 2u);
  EXPECT_EQ(listener.calls[0].text,
            R"({"SampleData":{"flag":true,"id":3,"pos":{"x":1.5,"y":0.0}}})");
  DissectedSampleInterface handle(delivery.engine.NextDissectedSample());
  ASSERT_FALSE(handle.IsNull());
  EXPECT_EQ(handle.ToJson(), R"({"SampleData":{"id":3,"flag":true,"pos":{"y":0.0,"x":1.5}}})");
  EXPECT_EQ(handle.ToMap(),
            (std::map<std::string, std::string>{{"SampleData.flag", "1"},
                                                {"SampleData.id", "3"},
                                                {"SampleData.pos.x", "1.5"},
                                                {"SampleData.pos.y", "0"}}));
  EXPECT_EQ(handle.TypeName(), "Track");
  EXPECT_EQ(handle.BufferMaxSize(), delivery.processor.RowBufferSize());
  // Only JSON and MAP are built: no row buffer.
  EXPECT_EQ(handle.GetBuffer(), nullptr);
}

TEST(Delivery, NullHandleAnswersEmpty) {
  DissectedSampleInterface handle;
  EXPECT_TRUE(handle.IsNull());
  EXPECT_EQ(handle.ToJson(), "");
  EXPECT_TRUE(handle.ToMap().empty());
  EXPECT_EQ(handle.GetBuffer(), nullptr);
  DissectedSampleInterface fromNothing(nullptr);
  EXPECT_TRUE(fromNothing.IsNull());
}

TEST(Delivery, ListenerExceptionReachesTheWorkerAndReleasesTheLock) {
  struct Throwing : EngineListener {
    void OnUserDataMap(const std::map<std::string, std::string>&) override {
      throw std::runtime_error("listener failed");
    }
  } throwing;
  Delivery delivery(OutputConfig(false, true));
  delivery.engine.BindListener(&throwing, Bits({O::USER_DATA_MAP}));
  EXPECT_THROW(delivery.processor.Dissect(1, Kind::USER_DATA), std::runtime_error);
  // The lock was released: binding again does not block.
  delivery.engine.UnbindListener();
  delivery.processor.Dissect(2, Kind::USER_DATA);
}

}  // namespace
}  // namespace Quorvel::Testing
