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

// Dissects one recording on a helper thread while this one draws the progress bar. A stop
// request only stops the writing (the collector), the recording is still read to its end;
// an interrupt (Ctrl-C, SIGTERM) finishes the session at once, whose shutdown ends the
// reading. True when the recording was read to its end.
bool DissectOne(StreamingSession& session, const std::string& path, bool showProgress) {
  Veltrane& engine = session.Engine();
  const StopSignal& stop = session.Stop();
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
  while (!done && !stop.Interrupted()) {
    bar.Update(engine.GetStatistics().framesRead - framesBefore);
    std::this_thread::sleep_for(100ms);
  }
  const bool cutShort = !done;
  bar.Finish();
  if (cutShort) session.Finish();
  worker.join();
  // What the shutdown made the cut-short dissection throw is not a failure of the recording.
  if (failure && !cutShort) std::rethrow_exception(failure);
  return !cutShort;
}

}  // namespace

int RunDissect(const Invocation& invocation, StopSignal& stop) {
  StreamingSession session(invocation, stop, EngineOperationMode::RECORD_DISSECTION);
  const bool showProgress = invocation.stream.progress && isatty(STDERR_FILENO) == 1;
  for (const std::string& path : invocation.recordings) {
    if (stop.Requested()) break;
    if (!DissectOne(session, path, showProgress)) break;
    WaitForQuiet(session.Engine());
  }
  session.Finish();
  return 0;
}

}  // namespace Quorvel::Cli
