#pragma once

// The passive engine's registry: the delivery machinery of EngineDB plus the main thread pool
// that the pipeline posts its runs on.
//
// Extension points: the endpoint-discovery records, writer keys and per-type user-data
// processors of live capture and recordings are added here (Insert/Remove/Get by writer key),
// together with Terminate's clearing of them and IsIdle's test of their queues.

#include "engine/core/EngineDB.h"
#include "passive/DiscoveryRecordStore.h"

#include <memory>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel::passive {

class PassiveEngineDB : public EngineDB {
 public:
  PassiveEngineDB(std::shared_ptr<boost::asio::thread_pool> pool,
                  std::shared_ptr<EngineConfig> config, DissectedSampleCallback callback);
  ~PassiveEngineDB() override;

  // Terminates the user-data processors and clears every map.
  void Terminate();
  // True when no user-data processor has work left.
  bool IsIdle() const;

  const std::shared_ptr<boost::asio::thread_pool>& Pool() const { return pool; }
  // The participant and endpoint records that discovery learnt.
  DiscoveryRecordStore& DiscoveryRecords() { return discoveryRecords; }
  const DiscoveryRecordStore& DiscoveryRecords() const { return discoveryRecords; }

 private:
  std::shared_ptr<boost::asio::thread_pool> pool;
  DiscoveryRecordStore discoveryRecords;
};

}  // namespace Quorvel::passive
