#pragma once

// Dissects everything one reader of the active engine takes and delivers it: driven by the
// topic wait set, whose worker runs Operation whenever the reader's condition triggers.
// Disposes and unregisters (no data) are reported with the key members of the instance's
// remembered first sample, and nothing else of it.
//
// Threads: Operation runs on the topic wait set's workers, one run per reader at a time (the
// reader's condition stays locked until the run returns), so a reader's samples are delivered
// in the order they were taken, and the batch and decode buffers are reused from run to run.

#include "dissection/DataProcessor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel {

namespace Transport {
class AsyncWaitSet;
class TopicReader;
struct ReceivedSample;
}
namespace xtypes {
class DynamicData;
}

class KeyMemberFilter;

class ActiveTopicProcessor : public DataProcessor,
                             public std::enable_shared_from_this<ActiveTopicProcessor> {
 public:
  ActiveTopicProcessor(std::shared_ptr<Transport::TopicReader> reader,
                       std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet, SampleHandler handler,
                       std::shared_ptr<const EngineConfig> config, std::shared_ptr<EngineDB> engineDB,
                       std::optional<std::int64_t> domainId);
  ~ActiveTopicProcessor() override;

  void CreateBenchmarkLogger() override {}
  void Operation() override;
  void Terminate() override {}

  // Attaches the reader's condition to the topic wait set; false (logged) on failure.
  bool InitializeDissectorDataHandlers();

  const std::string& TopicName() const { return topicName; }

 private:
  void ProcessSample(const Transport::ReceivedSample& received);
  void ProcessBatch();

  std::shared_ptr<Transport::TopicReader> reader;
  std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet;
  std::string topicName;
  std::string readerName;
  std::optional<std::int64_t> domainId;
  std::unique_ptr<const KeyMemberFilter> keyMembers;
  // Reused by every run: taken samples and the sample they are decoded into.
  std::vector<Transport::ReceivedSample> batch;
  std::unique_ptr<xtypes::DynamicData> decoded;
};

}  // namespace Quorvel
