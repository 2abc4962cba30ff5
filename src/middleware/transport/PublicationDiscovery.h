#pragma once

// Writers of other participants as the participant's discovery reports them, queued until a
// handler takes them. Attach Condition() to the "BuiltinTopicsWorker" wait set. Push runs on
// Fast DDS's discovery thread, TakeAll on the wait set's; one mutex guards the queue.

#include "middleware/transport/DiscoveredPublication.h"

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel::Transport {

class WaitCondition;

class PublicationDiscovery {
public:
  PublicationDiscovery();

  void Push(DiscoveredPublication publication);
  // Everything queued, oldest first.
  std::vector<DiscoveredPublication> TakeAll();

  const std::shared_ptr<WaitCondition>& Condition() const { return condition; }

private:
  std::shared_ptr<WaitCondition> condition;
  std::mutex mutex;
  std::deque<DiscoveredPublication> queue;
};

}  // namespace Quorvel::Transport
