#include "passive/QueueRoutingTargets.h"

namespace Quorvel::passive {

namespace {

template <typename Queue, typename Element>
void EnqueueIfAlive(const std::weak_ptr<Queue>& weak, Element element) {
  if (const auto queue = weak.lock()) queue->Enqueue(std::move(element));
}

}  // namespace

QueueRoutingTargets::QueueRoutingTargets(std::weak_ptr<SubMessageQueue> participantDiscovery,
                                         std::weak_ptr<SubMessageQueue> endpointDiscovery,
                                         std::weak_ptr<BatchQueue> dataBatch,
                                         UserDataLookup userDataLookup)
    : participantDiscovery_(std::move(participantDiscovery)),
      endpointDiscovery_(std::move(endpointDiscovery)),
      dataBatch_(std::move(dataBatch)),
      userDataLookup_(std::move(userDataLookup)) {}

void QueueRoutingTargets::RouteParticipantDiscovery(
    std::shared_ptr<const RTPSDataSubMessage> data) {
  EnqueueIfAlive(participantDiscovery_, std::move(data));
}

void QueueRoutingTargets::RouteEndpointDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) {
  EnqueueIfAlive(endpointDiscovery_, std::move(data));
}

void QueueRoutingTargets::RouteDataBatch(std::shared_ptr<const RTPSDataBatchSubMessage> batch) {
  EnqueueIfAlive(dataBatch_, std::move(batch));
}

bool QueueRoutingTargets::HasUserDataProcessor(const WriterKey& writer) {
  return userDataLookup_ && userDataLookup_(writer) != nullptr;
}

bool QueueRoutingTargets::RouteUserData(const WriterKey& writer,
                                        std::shared_ptr<const RTPSUserDataMessage> sample,
                                        UserDataRoute& route) {
  if (!route.writer || *route.writer != writer) {
    // Only a writer that has a processor is remembered: one may be announced later on.
    auto queue = userDataLookup_ ? userDataLookup_(writer) : nullptr;
    if (!queue) return false;
    route.writer = writer;
    route.destination = std::move(queue);
  }
  route.destination->Enqueue(std::move(sample));
  return true;
}

bool QueueRoutingTargets::DrainDiscovery() {
  bool busy = false;
  for (const auto& weak : {participantDiscovery_, endpointDiscovery_}) {
    const auto queue = weak.lock();
    if (!queue) continue;
    queue->RunQueuedHere();
    busy = busy || queue->IsBusy();
  }
  return busy;
}

}  // namespace Quorvel::passive
