#pragma once

// Where the RTPS message processor sends what it parsed. The queues and the writer look-up
// belong to discovery and user-data processing; the processor only sees this interface.

#include "passive/RTPSIdentifiers.h"

#include <memory>
#include <optional>

namespace Quorvel::passive {

struct RTPSDataSubMessage;
struct RTPSDataBatchSubMessage;
struct RTPSUserDataMessage;
template <typename T>
class MessageQueueManager;

// Where the previous user sample of one RTPS message went, kept by the caller for the rest of
// that message: its samples mostly share their writer, and finding a writer's processor takes
// the registry's locks, which the router and the pool threads otherwise pass back and forth
// on every sample. Forgotten when the message routes an announcement.
struct UserDataRoute {
  std::optional<WriterKey> writer;
  std::shared_ptr<MessageQueueManager<RTPSUserDataMessage>> destination;
};

class RTPSRoutingTargets {
 public:
  virtual ~RTPSRoutingTargets() = default;

  // Data(p), from the builtin participant writer.
  virtual void RouteParticipantDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) = 0;
  // Data(w) and Data(r), from the builtin publications and subscriptions writers.
  virtual void RouteEndpointDiscovery(std::shared_ptr<const RTPSDataSubMessage> data) = 0;
  // A batch of a user writer that HasUserDataProcessor accepted.
  virtual void RouteDataBatch(std::shared_ptr<const RTPSDataBatchSubMessage> batch) = 0;
  // Whether discovery has mapped the writer to a processor of its type.
  virtual bool HasUserDataProcessor(const WriterKey& writer) = 0;
  // Hands one sample to the processor of its writer; false when no processor serves it.
  // `route` is the message's memo (see UserDataRoute).
  virtual bool RouteUserData(const WriterKey& writer,
                             std::shared_ptr<const RTPSUserDataMessage> sample,
                             UserDataRoute& route) = 0;
  // Processes the participant, then the endpoint announcements still queued on the calling
  // thread (an endpoint's record reads its participant's, a sample's reads both), then tells
  // whether some are still being processed on other threads; false once the queues are gone.
  virtual bool DrainDiscovery() = 0;
};

}  // namespace Quorvel::passive
