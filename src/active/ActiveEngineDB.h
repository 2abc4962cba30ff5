#pragma once

// The active engine's registry: its readers by topic, writers by name and type processors by
// type name. Lookups hand out shared pointers, so a worker keeps what it uses alive after
// Terminate has emptied the maps.
//
// Threads: the caller's thread fills it in Init; wait-set workers look things up. One mutex
// guards the three maps.

#include "active/ActiveInputRecord.h"
#include "engine/core/EngineDB.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel {

namespace Transport {
class AsyncWaitSet;
class TopicWriter;
}
class TypeProcessor;

class ActiveEngineDB : public EngineDB {
 public:
  ActiveEngineDB(std::shared_ptr<EngineConfig> config,
                 std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet,
                 DissectedSampleCallback callback);
  ~ActiveEngineDB() override;

  // The first record of a topic wins; a later one is logged and dropped.
  void InsertNewReaderRecord(std::string readerName, const std::string& topicName,
                             std::string typeName, xtypes::DynamicTypePtr type,
                             std::shared_ptr<Transport::TopicReader> reader);
  void InsertNewWriterRecord(std::string writerName, std::shared_ptr<Transport::TopicWriter> writer);
  void InsertTypeProcessor(std::shared_ptr<TypeProcessor> processor);

  // Empty when absent.
  std::shared_ptr<ActiveInputRecord> GetReaderRecordByTopicName(const std::string& topicName) const;
  std::shared_ptr<Transport::TopicWriter> GetWriterByWriterName(const std::string& writerName) const;
  std::shared_ptr<TypeProcessor> GetTypeProcessorByTypeName(const std::string& typeName) const;
  bool isTopicExists(const std::string& topicName) const;
  // In topic order.
  std::vector<std::shared_ptr<ActiveInputRecord>> ReaderRecords() const;

  const std::shared_ptr<Transport::AsyncWaitSet>& TopicWaitSet() const { return topicWaitSet; }

  void Terminate();

 private:
  mutable std::mutex mutex;
  std::map<std::string, std::shared_ptr<ActiveInputRecord>> readers;
  std::map<std::string, std::shared_ptr<Transport::TopicWriter>> writers;
  std::map<std::string, std::shared_ptr<TypeProcessor>> typeProcessors;
  std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet;
};

}  // namespace Quorvel
