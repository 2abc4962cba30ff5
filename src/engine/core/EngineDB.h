#pragma once

// The registry base of every engine: the bound listener, the registered event set and the
// queue of samples waiting for GetNextDissectedSample.
//
// Threads: engine workers deliver samples (several at once); caller threads bind listeners
// and drain the queue. `listenerLock` guards the listener and is held around every listener
// callback; the queue has its own mutex, never held together with `listenerLock`. The event
// set is also kept atomically so the delivery path may test it without the lock.

#include <quorvel/EngineListener.h>

#include "engine/core/EngineCounters.h"

#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace Quorvel {

class DataProcessor;
class DissectedSample;
class EngineConfig;

// How data processors hand over each finished sample.
using DissectedSampleCallback =
    std::function<void(std::shared_ptr<DissectedSample>, DataProcessor*)>;

class EngineDB {
 public:
  EngineDB(std::shared_ptr<EngineConfig> config, DissectedSampleCallback callback);
  virtual ~EngineDB();
  EngineDB(const EngineDB&) = delete;
  EngineDB& operator=(const EngineDB&) = delete;

  // True when the option's bit is registered. Throws std::out_of_range for a value whose bit
  // position is beyond the 32-bit set.
  bool CheckRegisteredEvent(EngineListenerEventsOptions option) const;

  // Both callers hold ListenerLock() exclusively.
  void SetListener(EngineListener* newListener, std::bitset<32> events);
  // May be read without the lock to skip it when nothing is bound.
  EngineListener* Listener() const { return listener.load(); }
  std::shared_mutex& ListenerLock() { return listenerLock; }

  void EnqueueSample(std::shared_ptr<DissectedSample> sample);
  // The oldest queued sample, or null when the queue is empty; never waits.
  std::shared_ptr<DissectedSample> PopNextSample();

  const std::shared_ptr<EngineConfig>& Config() const { return config; }
  const DissectedSampleCallback& SampleCallback() const { return dissectedSampleCallback; }
  // What the engine's stages have read, delivered and dropped; bumped from any thread.
  EngineCounters& Counters() { return counters; }
  const EngineCounters& Counters() const { return counters; }

 private:
  std::deque<std::shared_ptr<DissectedSample>> samplesQueue;
  std::mutex samplesQueueMutex;
  std::condition_variable samplesQueueCondition;
  std::atomic<EngineListener*> listener{nullptr};
  std::atomic<std::uint32_t> registeredEvents{0};
  std::shared_mutex listenerLock;
  std::shared_ptr<EngineConfig> config;
  DissectedSampleCallback dissectedSampleCallback;
  EngineCounters counters;
};

}  // namespace Quorvel
