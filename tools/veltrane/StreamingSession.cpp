#include "StreamingSession.h"

#include "EngineSetup.h"
#include "OutputSink.h"
#include "SampleCollector.h"
#include "SampleFormatter.h"
#include "StopSignal.h"
#include "Summary.h"

#include <iostream>

namespace Quorvel::Cli {

StreamingSession::StreamingSession(const Invocation& request, StopSignal& stopSignal, EngineOperationMode mode)
    : invocation(request),
      stop(stopSignal),
      formatter(MakeSampleFormatter(request.output.format)),
      sink(std::make_unique<OutputSink>(request.output.path)) {
  SampleCollector::Settings settings{TopicFilter(request.stream.topicGlobs), request.stream.sampleLimit,
                                     request.stream.discovery};
  collector = std::make_unique<SampleCollector>(*formatter, *sink, stop, std::move(settings));
  EngineConfiguration configuration =
      MakeEngineConfiguration(mode, request.common, request.output, formatter->ReadsJson());
  configuration.monitoredInterfaceName = request.interface;
  engine.Init(configuration);
  engine.BindListener(collector.get(), collector->Events());
  engine.Run();
}

// The engine, declared last, goes first: its workers may still be calling the collector when
// an error unwinds the session, and its destructor shuts it down without throwing.
StreamingSession::~StreamingSession() = default;

void StreamingSession::Finish() {
  if (finished) return;
  finished = true;
  collector->Close();
  RunFigures figures;
  figures.statistics = engine.GetStatistics();
  figures.userSamplesByTopic = collector->UserSamplesByTopic();
  figures.samplesWritten = collector->SamplesWritten();
  if (stop.Requested()) figures.stopReason = stop.Reason();
  engine.Shutdown();
  sink->Flush();
  if (invocation.stream.summary) std::cerr << FormatSummary(figures) << std::flush;
}

}  // namespace Quorvel::Cli
