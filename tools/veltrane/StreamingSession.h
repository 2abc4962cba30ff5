#pragma once

#include "Options.h"

#include <quorvel/EngineOperationMode.h>
#include <quorvel/Veltrane.h>

#include <memory>

namespace Quorvel::Cli {

class OutputSink;
class SampleCollector;
class SampleFormatter;
class StopSignal;

// What every sample-streaming command shares: the engine of its mode initialised and running
// with the tool's listener bound, and at the end the summary. Commands feed or wait in between.
class StreamingSession {
 public:
  // Initialises and runs the engine; throws the engine's error when it cannot.
  StreamingSession(const Invocation& invocation, StopSignal& stop, EngineOperationMode mode);
  ~StreamingSession();

  Veltrane& Engine() { return engine; }
  StopSignal& Stop() { return stop; }

  // Stops writing, takes the figures, shuts the engine down, flushes the output and prints the
  // summary on standard error (unless switched off). Only the first call does anything: the
  // shutdown may come early, to end a recording's dissection while another thread waits on it.
  void Finish();
  bool Finished() const { return finished; }

 private:
  const Invocation& invocation;
  StopSignal& stop;
  std::unique_ptr<SampleFormatter> formatter;
  std::unique_ptr<OutputSink> sink;
  std::unique_ptr<SampleCollector> collector;
  Veltrane engine;
  bool finished = false;
};

}  // namespace Quorvel::Cli
