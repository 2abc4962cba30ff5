#pragma once

// The engine of the passive modes. Today it serves RECORD_DISSECTION's and TYPE_INTROSPECTION's
// Init, Run and Terminate and answers IntrospectType; the capture pipeline (queues, RTPS,
// discovery and user-data processors, capture stages) is built in Init next to the pool and the
// registry, started by RunNICMonitoring and fed by DissectRecordingFile.
//
// Threads: the facade's caller thread runs Init, Run and Terminate; the main pool runs the
// pipeline's work. In RECORD_DISSECTION a second pool of one thread delivers samples, so a
// recording reaches the listener one sample at a time in delivery order.

#include "engine/core/DDSEngine.h"

#include <memory>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel::passive {

class PassiveEngineDB;

class PassiveEngine : public DDSEngine {
 public:
  explicit PassiveEngine(std::shared_ptr<EngineConfig> config);
  ~PassiveEngine() override;

  void Init() override;
  // The facade runs it in PASSIVE_DYNAMIC_MONITORING only.
  void Run() override { RunNICMonitoring(); }
  void RunNICMonitoring();
  void Terminate() override;
  // True when the pipeline has nothing left to do.
  bool IsIdle() const;

  TypeInfo IntrospectType(const std::string& typeName) override;

  const std::shared_ptr<PassiveEngineDB>& Registry() const { return passiveDB; }

 private:
  std::shared_ptr<boost::asio::thread_pool> mainPool;
  std::shared_ptr<boost::asio::thread_pool> deliveryPool;
  std::shared_ptr<PassiveEngineDB> passiveDB;
};

}  // namespace Quorvel::passive
