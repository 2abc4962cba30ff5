#pragma once

// The network side of the injection tests: engine configurations over
// tests/injection/data/injection.xml (participants "Injector" and "Monitor"); what a monitoring
// engine delivers is collected by the active tests' CollectingListener.

#include <quorvel/EngineConfiguration.h>

#include <cstdint>

namespace Quorvel::test {

EngineConfiguration InjectorConfiguration(std::int64_t domainId);
EngineConfiguration MonitorConfiguration(std::int64_t domainId);

}  // namespace Quorvel::test
