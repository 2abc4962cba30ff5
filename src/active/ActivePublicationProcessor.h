#pragma once

// Dynamic monitoring: every writer that publication discovery reports is announced as a
// discovery sample (columns entity_name, entity_guid, topic_name, type_name), and the first
// writer of each topic whose type the type files define gets a reader of its own, created,
// attached to the topic wait set and enabled on the fly.
//
// Threads: Operation runs on the one "BuiltinTopicsWorker" thread, so discoveries are handled
// one at a time and the registry's check-then-insert of a topic cannot race with itself; the
// topic workers meanwhile dissect the readers created here.

#include "dissection/DataProcessor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Quorvel {

namespace Transport {
class AsyncWaitSet;
class Participant;
struct DiscoveredPublication;
}
class ActiveEngineDB;
class DDSSample;

class ActivePublicationProcessor : public DataProcessor {
 public:
  // `subscriberName`: the participant's subscriber that new readers go to.
  ActivePublicationProcessor(std::shared_ptr<Transport::Participant> participant,
                             std::string subscriberName,
                             std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet,
                             SampleHandler handler, std::shared_ptr<const EngineConfig> config,
                             std::shared_ptr<ActiveEngineDB> engineDB);
  ~ActivePublicationProcessor() override;

  void CreateBenchmarkLogger() override;
  // Handles every publication discovered since the last run.
  void Operation() override;
  void Terminate() override;

  void FeedOutputterWithPublicationData(DDSSample& sample,
                                        const Transport::DiscoveredPublication& publication) const;

 private:
  void Process(const Transport::DiscoveredPublication& publication);
  // The new topic's processor, attached and its reader enabled; null when the topic is dropped.
  std::shared_ptr<class ActiveTopicProcessor> Subscribe(const Transport::DiscoveredPublication& publication,
                                                         xtypes::DynamicTypePtr type);
  void Announce(const Transport::DiscoveredPublication& publication);
  ActiveEngineDB& Registry() const;

  std::shared_ptr<Transport::Participant> participant;
  std::string subscriberName;
  std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet;
  std::optional<std::int64_t> domainId;
};

}  // namespace Quorvel
