#pragma once

// Routing targets that keep what the RTPS processor routed, in order, so tests can check
// what went where.

#include "passive/RTPSDataBatchSubMessage.h"
#include "passive/RTPSDataSubMessage.h"
#include "passive/RTPSRoutingTargets.h"
#include "passive/RTPSUserDataMessage.h"

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace Quorvel::passive::testing {

class RecordingTargets : public RTPSRoutingTargets {
 public:
  void RouteParticipantDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) override {
    std::lock_guard lock(mutex);
    participants.push_back(std::move(data));
  }
  void RouteEndpointDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) override {
    std::lock_guard lock(mutex);
    endpoints.push_back(std::move(data));
  }
  void RouteDataBatch(std::shared_ptr<const RTPSDataBatchSubMessage> batch) override {
    std::lock_guard lock(mutex);
    batches.push_back(std::move(batch));
  }
  bool HasUserDataProcessor(const WriterKey& writer) override {
    std::lock_guard lock(mutex);
    return acceptEveryWriter || knownWriters.count(writer) != 0;
  }
  bool RouteUserData(const WriterKey& writer, std::shared_ptr<const RTPSUserDataMessage> sample,
                     UserDataRoute&) override {
    if (!HasUserDataProcessor(writer)) return false;
    std::lock_guard lock(mutex);
    userData.push_back(std::move(sample));
    return true;
  }
  bool DrainDiscovery() override {
    return endpointDiscoveryPending ? endpointDiscoveryPending() : false;
  }

  std::mutex mutex;
  bool acceptEveryWriter = false;
  std::set<WriterKey> knownWriters;
  std::function<bool()> endpointDiscoveryPending;
  std::vector<std::shared_ptr<const RTPSDataSubMessage>> participants;
  std::vector<std::shared_ptr<const RTPSDataSubMessage>> endpoints;
  std::vector<std::shared_ptr<const RTPSDataBatchSubMessage>> batches;
  std::vector<std::shared_ptr<const RTPSUserDataMessage>> userData;
};

}  // namespace Quorvel::passive::testing
