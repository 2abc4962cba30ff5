#include "middleware/transport/WaitSetCore.h"

#include "middleware/transport/WaitCondition.h"

#include <boost/asio/post.hpp>

#include <pthread.h>

#include <algorithm>
#include <latch>

namespace Quorvel::Transport {
namespace {

constexpr std::size_t kThreadNameLimit = 15;  // Linux keeps 16 bytes, the terminator included

// Names every pool thread: each of the first tasks holds its thread until all have started,
// so each thread takes exactly one of them.
void NameThreads(boost::asio::thread_pool& pool, const std::string& name, std::size_t count) {
  // Shared: a thread may still be inside arrive_and_wait when the constructor moves on.
  auto started = std::make_shared<std::latch>(static_cast<std::ptrdiff_t>(count));
  const auto shortName = std::make_shared<const std::string>(name.substr(0, kThreadNameLimit));
  for (std::size_t i = 0; i < count; ++i) {
    boost::asio::post(pool, [started, shortName] {
      pthread_setname_np(pthread_self(), shortName->c_str());
      started->arrive_and_wait();
    });
  }
  started->wait();
}

}  // namespace

WaitSetCore::WaitSetCore(const std::string& threadName, std::size_t count)
    : threadCount(std::max<std::size_t>(count, 1)), pool(threadCount) {
  NameThreads(pool, threadName, threadCount);
}

void WaitSetCore::Attach(const std::shared_ptr<WaitCondition>& condition, std::function<void()> handler) {
  std::lock_guard<std::mutex> guard(mutex);
  std::erase_if(attached, [](const std::weak_ptr<WaitCondition>& c) { return c.expired(); });
  const bool known = std::any_of(attached.begin(), attached.end(),
                                 [&](const std::weak_ptr<WaitCondition>& c) { return c.lock() == condition; });
  if (!known) attached.push_back(condition);
  condition->Bind(shared_from_this(), std::move(handler));
}

void WaitSetCore::Detach(const std::shared_ptr<WaitCondition>& condition) {
  std::lock_guard<std::mutex> guard(mutex);
  std::erase_if(attached, [&](const std::weak_ptr<WaitCondition>& c) {
    auto locked = c.lock();
    return !locked || locked == condition;
  });
  condition->Unbind();
}

void WaitSetCore::Start() {
  std::lock_guard<std::mutex> guard(mutex);
  if (stopped || Running()) return;
  running.store(true, std::memory_order_release);
  for (const auto& weak : attached) {
    if (auto condition = weak.lock()) condition->DispatchPending();
  }
}

void WaitSetCore::Stop() {
  {
    std::lock_guard<std::mutex> guard(mutex);
    if (stopped) return;
    stopped = true;
    running.store(false, std::memory_order_release);
  }
  // Outside the lock: a running handler may still attach or detach on this wait set.
  pool.stop();
  pool.join();
}

bool WaitSetCore::Post(std::function<void()> work) {
  if (!Running()) return false;
  boost::asio::post(pool, std::move(work));
  return true;
}

}  // namespace Quorvel::Transport
