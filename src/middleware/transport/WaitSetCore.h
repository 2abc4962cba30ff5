#pragma once

// The thread pool behind an AsyncWaitSet, shared with the conditions attached to it so that a
// condition triggered from a DDS thread can post its handler while the wait set lives.
// Threads carry the wait set's name (cut to the 15 characters Linux keeps).

#include <boost/asio/thread_pool.hpp>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel::Transport {

class WaitCondition;

class WaitSetCore : public std::enable_shared_from_this<WaitSetCore> {
public:
  WaitSetCore(const std::string& threadName, std::size_t threadCount);

  void Attach(const std::shared_ptr<WaitCondition>& condition, std::function<void()> handler);
  void Detach(const std::shared_ptr<WaitCondition>& condition);
  void Start();
  // Final: the pool stops and its threads are joined; nothing is dispatched afterwards.
  void Stop();
  bool Running() const { return running.load(std::memory_order_acquire); }
  // False when the wait set does not run; the caller keeps the work pending.
  bool Post(std::function<void()> work);

  std::size_t ThreadCount() const { return threadCount; }

private:
  std::size_t threadCount;
  boost::asio::thread_pool pool;
  std::atomic<bool> running{false};
  bool stopped = false;
  std::mutex mutex;  // attached list and start/stop
  std::vector<std::weak_ptr<WaitCondition>> attached;
};

}  // namespace Quorvel::Transport
