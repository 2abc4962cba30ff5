#pragma once

// What the participant and endpoint discovery processors share: the consumer end of their
// queue, the dissected sample of an announcement (sample information from the carrying
// sub-message, the record's columns under "SampleData", the capture metadata) and the drop
// counting. Each run pops one announcement; runs overlap on the pool and keep their state on
// their own stack.

#include "dissection/DataProcessor.h"
#include "engine/core/EngineCounters.h"
#include "passive/MessageQueueManager.h"
#include "passive/RTPSDataSubMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Quorvel {
class DDSSample;
class MetadataTexts;
}

namespace Quorvel::passive {

class PassiveEngineDB;

class PassiveDiscoveryProcessor : public DataProcessor {
 public:
  using SubMessageQueue = MessageQueueManager<RTPSDataSubMessage>;

  void CreateBenchmarkLogger() override {}
  void Terminate() override {}
  void Init(std::weak_ptr<SubMessageQueue> discoveryQueue);
  // One run: pops one announcement and processes it; an exception ends the run, logged.
  void Operation() override;

 protected:
  // `typeName`: the engine's internal type whose columns the announcements fill; the queue and
  // class names are those of the log lines.
  PassiveDiscoveryProcessor(const std::string& typeName, std::string queueName,
                            std::string className, SampleHandler handler,
                            const std::shared_ptr<const EngineConfig>& config,
                            std::shared_ptr<PassiveEngineDB> engineDB);

  virtual void Process(const RTPSDataSubMessage& data) = 0;
  // Builds the announcement's sample, has `feedData` write its data columns, adds the
  // metadata and delivers it as a discovery sample of `kindName`.
  void DeliverAnnouncement(const RTPSDataSubMessage& data,
                           const std::function<void(DDSSample&)>& feedData,
                           const std::string& topicName, std::optional<int64_t> domainId,
                           const std::string& kindName);
  void Drop(DropReason reason);
  // "srcIP + packetID = " and the source address and IP identification of the announcement.
  static std::string SourceText(const RTPSDataSubMessage& data);

  PassiveEngineDB& Registry() const { return *passiveDB; }

 private:
  std::shared_ptr<PassiveEngineDB> passiveDB;
  std::weak_ptr<SubMessageQueue> queue;
  const std::string queueName;
  const std::string className;
  const std::shared_ptr<MetadataTexts> metadataTexts;
};

}  // namespace Quorvel::passive
