#pragma once

#include "passive/MessageQueueManager.h"
#include "passive/RTPSDataBatchSubMessage.h"
#include "passive/RTPSDataSubMessage.h"
#include "passive/RTPSRoutingTargets.h"
#include "passive/RTPSUserDataMessage.h"

#include <functional>
#include <memory>

namespace Quorvel::passive {

// The routing targets of the running pipeline: the discovery and batch queues, held weakly so
// that routing after shutdown drops quietly, and the registry's look-up of a writer's queue.
class QueueRoutingTargets : public RTPSRoutingTargets {
 public:
  using SubMessageQueue = MessageQueueManager<RTPSDataSubMessage>;
  using BatchQueue = MessageQueueManager<RTPSDataBatchSubMessage>;
  using UserDataQueue = MessageQueueManager<RTPSUserDataMessage>;
  // The queue of the processor serving a writer, or nothing.
  using UserDataLookup = std::function<std::shared_ptr<UserDataQueue>(const WriterKey&)>;

  QueueRoutingTargets(std::weak_ptr<SubMessageQueue> participantDiscovery,
                      std::weak_ptr<SubMessageQueue> endpointDiscovery,
                      std::weak_ptr<BatchQueue> dataBatch, UserDataLookup userDataLookup);

  void RouteParticipantDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) override;
  void RouteEndpointDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) override;
  void RouteDataBatch(std::shared_ptr<const RTPSDataBatchSubMessage> batch) override;
  bool HasUserDataProcessor(const WriterKey& writer) override;
  bool RouteUserData(const WriterKey& writer, std::shared_ptr<const RTPSUserDataMessage> sample,
                     UserDataRoute& route) override;
  bool DrainDiscovery() override;

 private:
  std::weak_ptr<SubMessageQueue> participantDiscovery_;
  std::weak_ptr<SubMessageQueue> endpointDiscovery_;
  std::weak_ptr<BatchQueue> dataBatch_;
  UserDataLookup userDataLookup_;
};

}  // namespace Quorvel::passive
