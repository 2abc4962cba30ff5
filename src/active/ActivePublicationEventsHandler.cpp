#include "active/ActivePublicationEventsHandler.h"

#include "active/ActivePublicationProcessor.h"

namespace Quorvel {

ActivePublicationEventsHandler::ActivePublicationEventsHandler(
    std::shared_ptr<ActivePublicationProcessor> processor)
    : processor(std::move(processor)) {}

void ActivePublicationEventsHandler::operator()() const {
  if (const auto alive = processor.lock()) alive->Operation();
}

}  // namespace Quorvel
