#pragma once

// Consumer of the DATA_BATCH queue: one run per batch. Splits the batch into its samples
// (SplitDataBatch checks every entry and sample against the sub-message) and hands each to
// the user-data processor of its writer's type, as a DATA sample would be routed.

#include "passive/MessageQueueManager.h"
#include "passive/RTPSDataBatchSubMessage.h"

#include <memory>

namespace Quorvel {
class EngineConfig;
}

namespace Quorvel::passive {

class PassiveEngineDB;

class PassiveDataBatchProcessor {
 public:
  using BatchQueue = MessageQueueManager<RTPSDataBatchSubMessage>;

  PassiveDataBatchProcessor(std::shared_ptr<const EngineConfig> config,
                            std::shared_ptr<PassiveEngineDB> engineDB);
  ~PassiveDataBatchProcessor();

  void Init(std::weak_ptr<BatchQueue> batchQueue);
  // One run: pops one batch and routes its samples.
  void Operation();
  // Splits `batch` and routes its samples; never throws.
  void ProcessBatch(const RTPSDataBatchSubMessage& batch);

 private:
  std::shared_ptr<const EngineConfig> config;
  std::shared_ptr<PassiveEngineDB> passiveDB;
  std::weak_ptr<BatchQueue> queue;
};

}  // namespace Quorvel::passive
