#pragma once

// The capture stage of one source: a live interface or a pcap recording. Init opens the source
// and checks its link type; Operation runs the capture loop (the engine gives every source a
// thread of its own: a recording's loop may pause for the pipeline); Terminate stops it. The loop's state lives in a
// CaptureSession shared with the running loop, so Terminate never closes a handle in use.

#include "passive/MessageQueueManager.h"
#include "passive/RTPSMessage.h"
#include "passive/SourceType.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

struct CaptureSession;

class PassiveEthernetPacketsProcessor {
 public:
  using RTPSMessageQueue = MessageQueueManager<RTPSMessage>;

  PassiveEthernetPacketsProcessor();
  ~PassiveEthernetPacketsProcessor();
  PassiveEthernetPacketsProcessor(const PassiveEthernetPacketsProcessor&) = delete;
  PassiveEthernetPacketsProcessor& operator=(const PassiveEthernetPacketsProcessor&) = delete;

  // Opens the source; throws std::runtime_error (logged) when it cannot be opened or its link
  // type cannot be read. Another SourceType value does nothing. `counters` (may be null)
  // count the frames read and dropped.
  void Init(const std::string& sourceName, std::shared_ptr<RTPSMessageQueue> rtpsQueue,
            SourceType sourceType, std::shared_ptr<EngineCounters> counters = nullptr);
  // The capture loop, on the calling thread.
  void Operation();
  // Posts Operation to the pool as one task.
  void Run(boost::asio::thread_pool& pool);
  // Starts a dedicated thread running Operation.
  void StartCaptureThread();
  // Stops the loop, joins the capture thread, frees pending fragments and the handle.
  void Terminate();
  void LoadPcapDll() {}

  const std::string& SourceName() const { return sourceName_; }
  // True once the loop has left: end of the recording, a read error, or a stop.
  bool IsFinished() const;
  uint64_t FramesRead() const;
  uint64_t MessagesEnqueued() const;

 private:
  std::shared_ptr<CaptureSession> Session() const;

  std::string sourceName_;
  mutable std::mutex sessionMutex_;
  std::shared_ptr<CaptureSession> session_;
  std::thread captureThread_;
};

}  // namespace Quorvel::passive
