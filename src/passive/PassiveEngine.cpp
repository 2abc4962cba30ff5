#include "passive/PassiveEngine.h"

#include "common/Log.h"
#include "engine/core/EngineConfig.h"
#include "engine/core/TypeIntrospector.h"
#include "passive/PassiveEngineDB.h"

#include <boost/asio/thread_pool.hpp>

namespace Quorvel::passive {

PassiveEngine::PassiveEngine(std::shared_ptr<EngineConfig> config) : DDSEngine(std::move(config)) {
  LogDebug("PassiveEngine");
}

PassiveEngine::~PassiveEngine() {
  LogDebug("~PassiveEngine");
  // Terminate normally ran; a failed Init leaves pools that must not outlive the engine.
  for (const auto& pool : {deliveryPool, mainPool}) {
    if (!pool) continue;
    pool->stop();
    pool->join();
  }
}

void PassiveEngine::Init() {
  LogDebug("Init");
  DDSEngine::Init();
  mainPool = std::make_shared<boost::asio::thread_pool>(config->threadPoolSize);
  deliveryPool = config->operationMode == EngineOperationMode::RECORD_DISSECTION
                     ? std::make_shared<boost::asio::thread_pool>(1)
                     : mainPool;
  passiveDB = std::make_shared<PassiveEngineDB>(
      mainPool, config, [this](std::shared_ptr<DissectedSample> sample, DataProcessor* processor) {
        HandleDissectedSample(std::move(sample), processor);
      });
  db = passiveDB;
}

void PassiveEngine::RunNICMonitoring() {
  LogDebug("RunNICMonitoring");
  NotProvided("RunNICMonitoring");
}

bool PassiveEngine::IsIdle() const { return !passiveDB || passiveDB->IsIdle(); }

void PassiveEngine::Terminate() {
  LogDebug("Terminate");
  if (passiveDB) passiveDB->Terminate();
  for (const auto& pool : {deliveryPool, mainPool}) {
    if (pool) pool->stop();
  }
  for (const auto& pool : {deliveryPool, mainPool}) {
    if (pool) pool->join();
  }
  deliveryPool.reset();
  mainPool.reset();
  LogDebug("Stop");
}

TypeInfo PassiveEngine::IntrospectType(const std::string& typeName) {
  return IntrospectTypeInfo(typeName, *config);
}

}  // namespace Quorvel::passive
