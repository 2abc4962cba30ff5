#include "active/ActiveEngineDB.h"

#include "common/Log.h"
#include "dissection/TypeProcessor.h"
#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/transport/TopicWriter.h"

namespace Quorvel {
namespace {

template <typename Value>
std::shared_ptr<Value> Find(const std::map<std::string, std::shared_ptr<Value>>& map,
                            const std::string& key) {
  const auto found = map.find(key);
  return found == map.end() ? nullptr : found->second;
}

}  // namespace

ActiveEngineDB::ActiveEngineDB(std::shared_ptr<EngineConfig> config,
                               std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet,
                               DissectedSampleCallback callback)
    : EngineDB(std::move(config), std::move(callback)), topicWaitSet(std::move(topicWaitSet)) {}

ActiveEngineDB::~ActiveEngineDB() = default;

void ActiveEngineDB::InsertNewReaderRecord(std::string readerName, const std::string& topicName,
                                           std::string typeName, xtypes::DynamicTypePtr type,
                                           std::shared_ptr<Transport::TopicReader> reader) {
  auto record = std::make_shared<ActiveInputRecord>();
  record->readerName = std::move(readerName);
  record->topicName = topicName;
  record->typeName = std::move(typeName);
  record->type = std::move(type);
  record->reader = std::move(reader);
  std::lock_guard<std::mutex> guard(mutex);
  if (!readers.emplace(topicName, std::move(record)).second) {
    LogInfo("Topic " + topicName + " already exists in DB. Ignoring record");
    return;
  }
  LogDebug("Successfully inserted record of Topic " + topicName + " to DB");
}

void ActiveEngineDB::InsertNewWriterRecord(std::string writerName,
                                           std::shared_ptr<Transport::TopicWriter> writer) {
  std::lock_guard<std::mutex> guard(mutex);
  if (!writers.emplace(writerName, std::move(writer)).second) {
    LogWarning("Writer " + writerName + " already exists in DB. Ignoring record");
    return;
  }
  LogDebug("Successfully inserted record of dataWriter " + writerName + " to DB");
}

void ActiveEngineDB::InsertTypeProcessor(std::shared_ptr<TypeProcessor> processor) {
  const std::string typeName = processor->TypeName();
  std::lock_guard<std::mutex> guard(mutex);
  if (!typeProcessors.emplace(typeName, std::move(processor)).second) {
    LogDebug("Type Processor to TypeName  = " + typeName + " already exists in DB. Ignoring record");
    return;
  }
  LogDebug("Successfully inserted type processor for TypeName = " + typeName);
}

std::shared_ptr<ActiveInputRecord> ActiveEngineDB::GetReaderRecordByTopicName(
    const std::string& topicName) const {
  std::lock_guard<std::mutex> guard(mutex);
  return Find(readers, topicName);
}

std::shared_ptr<Transport::TopicWriter> ActiveEngineDB::GetWriterByWriterName(
    const std::string& writerName) const {
  std::lock_guard<std::mutex> guard(mutex);
  return Find(writers, writerName);
}

std::shared_ptr<TypeProcessor> ActiveEngineDB::GetTypeProcessorByTypeName(
    const std::string& typeName) const {
  std::lock_guard<std::mutex> guard(mutex);
  return Find(typeProcessors, typeName);
}

bool ActiveEngineDB::isTopicExists(const std::string& topicName) const {
  std::lock_guard<std::mutex> guard(mutex);
  return readers.count(topicName) != 0;
}

std::vector<std::shared_ptr<ActiveInputRecord>> ActiveEngineDB::ReaderRecords() const {
  std::lock_guard<std::mutex> guard(mutex);
  std::vector<std::shared_ptr<ActiveInputRecord>> records;
  records.reserve(readers.size());
  for (const auto& [topic, record] : readers) records.push_back(record);
  return records;
}

void ActiveEngineDB::Terminate() {
  std::lock_guard<std::mutex> guard(mutex);
  readers.clear();
  writers.clear();
  typeProcessors.clear();
}

}  // namespace Quorvel
