#include "engine/support/TestEngine.h"

#include "engine/core/EngineDB.h"

#include <stdexcept>

namespace Quorvel::Testing {

constexpr EngineOperationMode kAllModes[] = {
    EngineOperationMode::ACTIVE_STATIC_MONITORING,   EngineOperationMode::ACTIVE_DYNAMIC_MONITORING,
    EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, EngineOperationMode::RECORD_DISSECTION,
    EngineOperationMode::MESSAGE_INJECTION,          EngineOperationMode::TYPE_INTROSPECTION};

TestEngine::TestEngine(std::shared_ptr<EngineConfig> config,
                       std::shared_ptr<TestEngineScript> script)
    : DDSEngine(std::move(config)), script(std::move(script)) {
  this->script->lastCreated = this;
}

TestEngine::~TestEngine() { ++script->destroyed; }

void TestEngine::Init() {
  ++script->inits;
  if (!script->initError.empty()) throw std::runtime_error(script->initError);
  db = std::make_shared<EngineDB>(config, nullptr);
}

void TestEngine::Run() {
  ++script->runs;
  if (!script->runError.empty()) throw std::runtime_error(script->runError);
}

void TestEngine::Terminate() {
  ++script->terminates;
  if (!script->terminateError.empty()) throw std::runtime_error(script->terminateError);
}

ScopedTestEngines::ScopedTestEngines() : script(std::make_shared<TestEngineScript>()) {
  for (EngineOperationMode mode : kAllModes) {
    EngineFactory::Instance().RegisterEngineCreator(
        mode, [script = script](std::shared_ptr<EngineConfig> config) {
          return std::make_shared<TestEngine>(std::move(config), script);
        });
  }
}

ScopedTestEngines::~ScopedTestEngines() {
  for (EngineOperationMode mode : kAllModes) {
    EngineFactory::Instance().RegisterEngineCreator(mode, nullptr);
  }
}

}  // namespace Quorvel::Testing
