#pragma once

// An asynchronous wait set: conditions (one per reader) attached with a handler; when a
// condition triggers, its handler runs on one of the wait set's named pool threads, and not
// again before it unlocks (see WaitCondition). Nothing runs before Start(); Stop() is final
// and joins the threads, so no handler runs after it returns. Never call Stop() from a handler.
//
//   AsyncWaitSet topics("TopicDissectorWorker", 4);
//   topics.Attach(reader->Condition(), [reader] { auto batch = reader->TakeAll();
//                                                  reader->Condition()->Unlock(); ... });
//   topics.Start();

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace Quorvel::Transport {

class WaitCondition;
class WaitSetCore;

class AsyncWaitSet {
public:
  AsyncWaitSet(const std::string& threadName, std::size_t threadCount);
  ~AsyncWaitSet();
  AsyncWaitSet(const AsyncWaitSet&) = delete;
  AsyncWaitSet& operator=(const AsyncWaitSet&) = delete;

  // A condition belongs to one wait set at a time; attaching again replaces the handler.
  void Attach(const std::shared_ptr<WaitCondition>& condition, std::function<void()> handler);
  void Detach(const std::shared_ptr<WaitCondition>& condition);
  void Start();
  void Stop();
  bool Running() const;
  std::size_t ThreadCount() const;

private:
  std::shared_ptr<WaitSetCore> core;
};

}  // namespace Quorvel::Transport
