#include "passive/PassiveEngineDB.h"

#include "common/Log.h"
#include "passive/PassiveUserDataProcessor.h"

#include <mutex>

namespace Quorvel::passive {

PassiveEngineDB::PassiveEngineDB(std::shared_ptr<boost::asio::thread_pool> pool,
                                 std::shared_ptr<EngineConfig> config,
                                 DissectedSampleCallback callback)
    : EngineDB(std::move(config), std::move(callback)), pool(std::move(pool)) {
  LogTrace("PassiveEngineDB");
}

PassiveEngineDB::~PassiveEngineDB() { LogTrace("~PassiveEngineDB"); }

bool PassiveEngineDB::InsertPassiveUserDataProcessor(
    std::shared_ptr<PassiveUserDataProcessor> processor) {
  const std::string typeName = processor->TypeName();
  bool inserted = false;
  {
    std::unique_lock lock(processorsMutex);
    inserted = processors.emplace(typeName, std::move(processor)).second;
  }
  if (!inserted) {
    LogWarning("PassiveUserDataProcessor to TypeName  = " + typeName +
               " already exists in DB. Ignoring record");
  }
  return inserted;
}

bool PassiveEngineDB::IsPassiveUserDataProcessorExists(const std::string& typeName) const {
  std::shared_lock lock(processorsMutex);
  return processors.count(typeName) != 0;
}

bool PassiveEngineDB::RemovePassiveUserDataProcessor(const std::string& typeName) {
  std::unique_lock lock(processorsMutex);
  return processors.erase(typeName) != 0;
}

std::shared_ptr<PassiveUserDataProcessor> PassiveEngineDB::GetPassiveUserDataProcessor(
    const WriterKey& writer) const {
  std::shared_ptr<PassiveUserDataProcessor> processor;
  // The processor map's lock is taken inside the store's: nothing takes them the other way.
  ReadEndpointDiscoveryRecord(writer, [&](const PassiveEndPointDiscoveryRecord& endpoint) {
    std::shared_lock lock(processorsMutex);
    const auto found = processors.find(endpoint.typeName);
    if (found != processors.end()) processor = found->second;
  });
  return processor;
}

std::map<std::string, size_t> PassiveEngineDB::UserDataQueueSizes() const {
  std::shared_lock lock(processorsMutex);
  std::map<std::string, size_t> sizes;
  for (const auto& [typeName, processor] : processors) sizes[typeName] = processor->Queue().Size();
  return sizes;
}

void PassiveEngineDB::Terminate() {
  LogDebug("PassiveEngineDB::Terminate");
  std::map<std::string, std::shared_ptr<PassiveUserDataProcessor>> released;
  {
    std::unique_lock lock(processorsMutex);
    released.swap(processors);
  }
  for (const auto& [typeName, processor] : released) processor->Terminate();
  Clear();
}

bool PassiveEngineDB::IsIdle() const {
  std::shared_lock lock(processorsMutex);
  for (const auto& [typeName, processor] : processors) {
    if (!processor->Queue().IsIdle()) return false;
  }
  return true;
}

}  // namespace Quorvel::passive
