#pragma once

// What the builtin wait set runs when publication discovery has news: the publication
// processor's Operation. The reference is weak: the discovery condition that holds this
// handler belongs to the participant, which the processor keeps alive, and the engine owns the
// processor.

#include <memory>

namespace Quorvel {

class ActivePublicationProcessor;

class ActivePublicationEventsHandler {
 public:
  explicit ActivePublicationEventsHandler(std::shared_ptr<ActivePublicationProcessor> processor);
  void operator()() const;

 private:
  std::weak_ptr<ActivePublicationProcessor> processor;
};

}  // namespace Quorvel
