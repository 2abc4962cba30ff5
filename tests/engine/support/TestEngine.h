#pragma once

// An engine for exercising the facade: it records what the facade calls and fails on demand.

#include "engine/core/DDSEngine.h"
#include "engine/EngineFactory.h"

#include <atomic>
#include <memory>
#include <string>

namespace Quorvel::Testing {

struct TestEngineScript {
  std::string initError;  // Init throws this when not empty
  std::string runError;
  std::string terminateError;
  std::atomic<int> inits{0};
  std::atomic<int> runs{0};
  std::atomic<int> terminates{0};
  std::atomic<int> destroyed{0};
  std::atomic<class TestEngine*> lastCreated{nullptr};
};

class TestEngine : public DDSEngine {
 public:
  TestEngine(std::shared_ptr<EngineConfig> config, std::shared_ptr<TestEngineScript> script);
  ~TestEngine() override;

  void Init() override;
  void Run() override;
  void Terminate() override;

  EngineDB& Registry() const { return DB(); }

 private:
  std::shared_ptr<TestEngineScript> script;
};

// Registers a TestEngine creator for every mode for the life of the object.
class ScopedTestEngines {
 public:
  ScopedTestEngines();
  ~ScopedTestEngines();
  TestEngineScript& Script() { return *script; }

 private:
  std::shared_ptr<TestEngineScript> script;
};

}  // namespace Quorvel::Testing
