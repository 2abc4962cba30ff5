#pragma once

// Consumer of the participant-discovery queue: one run per Data(p). Parses the announcement,
// keeps the first record of each participant in the registry and delivers every announcement,
// new or repeated, as a "ParticipantDiscovery" sample.

#include "passive/PassiveDiscoveryProcessor.h"

namespace Quorvel::passive {

struct PassiveParticipantDiscoveryRecord;

class PassiveParticipantDiscoveryProcessor : public PassiveDiscoveryProcessor {
 public:
  PassiveParticipantDiscoveryProcessor(SampleHandler handler,
                                       const std::shared_ptr<const EngineConfig>& config,
                                       std::shared_ptr<PassiveEngineDB> engineDB);
  ~PassiveParticipantDiscoveryProcessor() override;

  // Fills `record` and `key` from the announcement's parameter list; throws WireError when the
  // list runs past the sub-message.
  static void ParseMessage(const RTPSDataSubMessage& data,
                           PassiveParticipantDiscoveryRecord& record, WriterKey& key);
  // Domain id, entity name, entity GUID, product and protocol versions under "SampleData".
  void FeedOutputterByRecord(DDSSample& sample, const PassiveParticipantDiscoveryRecord& record);

 private:
  void Process(const RTPSDataSubMessage& data) override;
};

}  // namespace Quorvel::passive
