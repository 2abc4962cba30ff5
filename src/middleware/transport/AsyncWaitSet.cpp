#include "middleware/transport/AsyncWaitSet.h"

#include "common/Log.h"
#include "middleware/transport/WaitCondition.h"
#include "middleware/transport/WaitSetCore.h"

namespace Quorvel::Transport {

AsyncWaitSet::AsyncWaitSet(const std::string& threadName, std::size_t threadCount)
    : core(std::make_shared<WaitSetCore>(threadName, threadCount)) {
  LogDebug("AsyncWaitSet " + threadName + " with " + std::to_string(core->ThreadCount()) + " threads");
}

AsyncWaitSet::~AsyncWaitSet() { Stop(); }

void AsyncWaitSet::Attach(const std::shared_ptr<WaitCondition>& condition, std::function<void()> handler) {
  core->Attach(condition, std::move(handler));
}

void AsyncWaitSet::Detach(const std::shared_ptr<WaitCondition>& condition) { core->Detach(condition); }

void AsyncWaitSet::Start() { core->Start(); }

void AsyncWaitSet::Stop() { core->Stop(); }

bool AsyncWaitSet::Running() const { return core->Running(); }

std::size_t AsyncWaitSet::ThreadCount() const { return core->ThreadCount(); }

}  // namespace Quorvel::Transport

