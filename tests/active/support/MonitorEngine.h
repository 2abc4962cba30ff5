#pragma once

// The active tests' engine: a monitoring configuration from files under tests/data (map and
// JSON output, two workers), and an engine already initialised, listened to and running.

#include "active/ActiveEngine.h"
#include "active/support/CollectingListener.h"

#include <quorvel/EngineConfiguration.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel {
class EngineConfig;
}

namespace Quorvel::testing {

// `files` relative to tests/data.
std::shared_ptr<EngineConfig> MonitorConfig(EngineOperationMode mode, const std::vector<std::string>& files,
                                            std::int64_t domain);

struct RunningEngine {
  explicit RunningEngine(std::shared_ptr<EngineConfig> config);

  ActiveEngine engine;
  CollectingListener listener;
};

}  // namespace Quorvel::testing
