#pragma once

// The dispatch state of one reader (or of publication discovery) attached to an AsyncWaitSet.
//
// Lock-until-unlock: Trigger() posts the handler to the wait set's pool and locks the
// condition; while it is locked, further triggers only mark it pending. Unlock() (called by the
// handler once it has taken its data, and again automatically when the handler returns)
// re-posts the handler at once if anything was triggered meanwhile. So one handler run per
// condition at a time, and no trigger is lost. Trigger() is called from the DDS
// implementation's threads, Unlock() from pool threads; one mutex guards the state.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace Quorvel::Transport {

class WaitSetCore;

class WaitCondition : public std::enable_shared_from_this<WaitCondition> {
public:
  static std::shared_ptr<WaitCondition> Create();

  // Data arrived: dispatch the handler, or remember that it must run again.
  void Trigger();
  // Releases the condition held by the handler that runs now; idempotent.
  void Unlock();

  // For tests and diagnostics.
  bool Locked() const;
  bool Pending() const;

private:
  friend class WaitSetCore;
  struct Token {};

public:
  explicit WaitCondition(Token) {}

private:
  void Bind(std::shared_ptr<WaitSetCore> core, std::function<void()> handler);
  void Unbind();
  // The wait set started: run what was triggered before.
  void DispatchPending();
  // Under the mutex: post one run if the condition is free and the wait set runs.
  void DispatchLocked();
  void Run(std::uint64_t run);
  void Release(std::uint64_t run);

  mutable std::mutex mutex;
  std::weak_ptr<WaitSetCore> core;
  std::shared_ptr<const std::function<void()>> handler;
  bool locked = false;
  bool pending = false;
  std::uint64_t currentRun = 0;
};

}  // namespace Quorvel::Transport
