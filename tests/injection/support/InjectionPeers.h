#pragma once

// The network side of the injection tests: engine configurations over
// tests/injection/data/injection.xml (participants "Injector" and "Monitor") and a listener
// that collects what a monitoring engine delivers and lets a test wait for it.

#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineListener.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel::test {

EngineConfiguration InjectorConfiguration(std::int64_t domainId);
EngineConfiguration MonitorConfiguration(std::int64_t domainId);

class CollectingListener : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override;
  void OnUserDataMap(const std::map<std::string, std::string>& fields) override;

  // True once `count` samples arrived in both forms, within `timeout`.
  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout);
  std::vector<std::string> Jsons();
  std::vector<std::map<std::string, std::string>> Maps();

 private:
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::string> jsons;
  std::vector<std::map<std::string, std::string>> maps;
};

}  // namespace Quorvel::test
