#pragma once

// A Veltrane object running a TestEngine, with a log directory of its own.

#include "engine/support/LogDirectory.h"
#include "engine/support/TestEngine.h"

#include "engine/core/EngineDB.h"

#include <quorvel/Veltrane.h>

#include <memory>

namespace Quorvel::Testing {

class RunningTestEngine {
 public:
  explicit RunningTestEngine(const EngineConfiguration& configuration,
                             LogSeverityLevel verbosity = LogSeverityLevel::WARNING);

  Veltrane& Facade() { return veltrane; }
  EngineDB& Registry() { return engines.Script().lastCreated.load()->Registry(); }

 private:
  LogDirectory log;
  ScopedTestEngines engines;
  Veltrane veltrane;
};

// The sample type is opaque to these tests: handles aliasing distinct integers stand in for
// samples, enough to check identity and order.
inline std::shared_ptr<DissectedSample> Marker(const std::shared_ptr<int>& owner) {
  return std::shared_ptr<DissectedSample>(owner, reinterpret_cast<DissectedSample*>(owner.get()));
}

}  // namespace Quorvel::Testing
