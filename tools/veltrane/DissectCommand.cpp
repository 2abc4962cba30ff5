// veltrane dissect: recordings through the passive pipeline, one after another.

#include "Commands.h"
#include "PcapFrameCount.h"
#include "ProgressBar.h"
#include "StopSignal.h"
#include "StreamingSession.h"
#include "Summary.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <thread>
#include <unistd.h>

namespace Quorvel::Cli {
namespace {

using namespace std::chrono_literals;

std::uint64_t Settled(const EngineStatistics& s) {
  return s.framesRead + s.userSamplesDelivered + s.discoverySamplesDelivered + TotalDropped(s);
}

// The engine's wait returns once its queues are empty; a sample may still be on its way to the
// listener then. Wait until the counters have stood still for a moment (bounded).
void WaitForQuiet(Veltrane& engine) {
  std::uint64_t last = Settled(engine.GetStatistics());
  int still = 0;
  for (int round = 0; round < 100 && still < 3; ++round) {
    std::this_thread::sleep_for(20ms);
    const std::uint64_t now = Settled(engine.GetStatistics());
    still = now == last ? still + 1 : 0;
    last = now;
  }
}

// Dissects one recording on a helper thread while this one draws the progress bar; a stop
// request only stops the writing (the collector), the recording is still read to its end.
void DissectOne(StreamingSession& session, const std::string& path, bool showProgress) {
  Veltrane& engine = session.Engine();
  const std::uint64_t framesBefore = engine.GetStatistics().framesRead;
  ProgressBar bar(showProgress, path, showProgress ? CountPcapFrames(path) : std::nullopt);
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      engine.DissectRecordingFile(path, true);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  while (!done) {
    bar.Update(engine.GetStatistics().framesRead - framesBefore);
    std::this_thread::sleep_for(100ms);
  }
  worker.join();
  bar.Finish();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

int RunDissect(const Invocation& invocation, StopSignal& stop) {
  StreamingSession session(invocation, stop, EngineOperationMode::RECORD_DISSECTION);
  const bool showProgress = invocation.stream.progress && isatty(STDERR_FILENO) == 1;
  for (const std::string& path : invocation.recordings) {
    if (stop.Requested()) break;
    DissectOne(session, path, showProgress);
    WaitForQuiet(session.Engine());
  }
  session.Finish();
  return 0;
}

}  // namespace Quorvel::Cli
