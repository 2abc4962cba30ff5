#include "engine/core/EngineDB.h"

#include "common/Log.h"

#include <bit>

namespace Quorvel {

EngineDB::EngineDB(std::shared_ptr<EngineConfig> config, DissectedSampleCallback callback)
    : config(std::move(config)), dissectedSampleCallback(std::move(callback)) {
  LogTrace("EngineDB");
}

EngineDB::~EngineDB() { LogTrace("~EngineDB"); }

bool EngineDB::CheckRegisteredEvent(EngineListenerEventsOptions option) const {
  const auto value = static_cast<std::uint32_t>(option);
  // An option is a single bit: its position is log2 of its value.
  const auto position = static_cast<std::size_t>(std::bit_width(value) - 1);
  return std::bitset<32>(registeredEvents.load()).test(position);
}

void EngineDB::SetListener(EngineListener* newListener, std::bitset<32> events) {
  listener = newListener;
  registeredEvents.store(static_cast<std::uint32_t>(events.to_ulong()));
}

void EngineDB::EnqueueSample(std::shared_ptr<DissectedSample> sample) {
  {
    std::lock_guard<std::mutex> guard(samplesQueueMutex);
    samplesQueue.push_back(std::move(sample));
  }
  samplesQueueCondition.notify_one();
}

std::shared_ptr<DissectedSample> EngineDB::PopNextSample() {
  std::lock_guard<std::mutex> guard(samplesQueueMutex);
  if (samplesQueue.empty()) return nullptr;
  std::shared_ptr<DissectedSample> sample = std::move(samplesQueue.front());
  samplesQueue.pop_front();
  return sample;
}

}  // namespace Quorvel
