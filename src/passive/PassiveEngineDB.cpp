#include "passive/PassiveEngineDB.h"

#include "common/Log.h"

namespace Quorvel::passive {

PassiveEngineDB::PassiveEngineDB(std::shared_ptr<boost::asio::thread_pool> pool,
                                 std::shared_ptr<EngineConfig> config,
                                 DissectedSampleCallback callback)
    : EngineDB(std::move(config), std::move(callback)), pool(std::move(pool)) {
  LogTrace("PassiveEngineDB");
}

PassiveEngineDB::~PassiveEngineDB() { LogTrace("~PassiveEngineDB"); }

void PassiveEngineDB::Terminate() {
  LogDebug("PassiveEngineDB::Terminate");
  discoveryRecords.Clear();
}

bool PassiveEngineDB::IsIdle() const { return true; }

}  // namespace Quorvel::passive
