#include "middleware/transport/PublicationDiscovery.h"

#include "middleware/transport/WaitCondition.h"

namespace Quorvel::Transport {

PublicationDiscovery::PublicationDiscovery() : condition(WaitCondition::Create()) {}

void PublicationDiscovery::Push(DiscoveredPublication publication) {
  {
    std::lock_guard<std::mutex> guard(mutex);
    queue.push_back(std::move(publication));
  }
  condition->Trigger();
}

std::vector<DiscoveredPublication> PublicationDiscovery::TakeAll() {
  std::lock_guard<std::mutex> guard(mutex);
  std::vector<DiscoveredPublication> taken(std::make_move_iterator(queue.begin()),
                                           std::make_move_iterator(queue.end()));
  queue.clear();
  return taken;
}

}  // namespace Quorvel::Transport
