#include "middleware/transport/WaitCondition.h"

#include "common/Log.h"
#include "middleware/transport/WaitSetCore.h"

#include <exception>

namespace Quorvel::Transport {

std::shared_ptr<WaitCondition> WaitCondition::Create() { return std::make_shared<WaitCondition>(Token{}); }

void WaitCondition::Trigger() {
  std::lock_guard<std::mutex> guard(mutex);
  pending = true;
  DispatchLocked();
}

void WaitCondition::Unlock() {
  std::lock_guard<std::mutex> guard(mutex);
  if (!locked) return;
  locked = false;
  DispatchLocked();
}

bool WaitCondition::Locked() const {
  std::lock_guard<std::mutex> guard(mutex);
  return locked;
}

bool WaitCondition::Pending() const {
  std::lock_guard<std::mutex> guard(mutex);
  return pending;
}

void WaitCondition::Bind(std::shared_ptr<WaitSetCore> newCore, std::function<void()> newHandler) {
  std::lock_guard<std::mutex> guard(mutex);
  core = newCore;
  handler = std::make_shared<const std::function<void()>>(std::move(newHandler));
  DispatchLocked();
}

void WaitCondition::Unbind() {
  std::lock_guard<std::mutex> guard(mutex);
  core.reset();
  handler.reset();
}

void WaitCondition::DispatchPending() {
  std::lock_guard<std::mutex> guard(mutex);
  DispatchLocked();
}

void WaitCondition::DispatchLocked() {
  if (locked || !pending || !handler) return;
  auto owner = core.lock();
  if (!owner || !owner->Running()) return;
  const std::uint64_t run = ++currentRun;
  // The run consumes what was pending: its handler takes everything available.
  if (!owner->Post([self = shared_from_this(), run] { self->Run(run); })) return;
  locked = true;
  pending = false;
}

void WaitCondition::Run(std::uint64_t run) {
  std::shared_ptr<const std::function<void()>> current;
  {
    std::lock_guard<std::mutex> guard(mutex);
    current = handler;
  }
  if (current) {
    try {
      (*current)();
    } catch (const std::exception& error) {
      LogError(std::string("Exception in AsyncWaitSet handler: ") + error.what());
    } catch (...) {
      LogError("Exception in AsyncWaitSet handler: unknown exception");
    }
  }
  Release(run);
}

void WaitCondition::Release(std::uint64_t run) {
  std::lock_guard<std::mutex> guard(mutex);
  // A handler that unlocked early may already have let a newer run take the lock.
  if (!locked || run != currentRun) return;
  locked = false;
  DispatchLocked();
}

}  // namespace Quorvel::Transport
