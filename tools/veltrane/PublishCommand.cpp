// veltrane publish: samples through a data writer of the participant file.

#include "Commands.h"
#include "EngineSetup.h"
#include "PublishInput.h"
#include "StopSignal.h"

#include <quorvel/Veltrane.h>

#include <chrono>
#include <exception>
#include <iostream>

namespace Quorvel::Cli {

int RunPublish(const Invocation& invocation, StopSignal& stop) {
  const PublishOptions& options = invocation.publish;
  // Input first: a bad file or option must not cost a participant's start-up.
  const std::vector<PublishSample> samples = CollectPublishSamples(options);
  Veltrane engine;
  engine.Init(MakeEngineConfiguration(EngineOperationMode::MESSAGE_INJECTION, invocation.common,
                                      invocation.output, false));
  engine.Run();
  stop.PauseFor(std::chrono::duration<double>(options.delaySeconds));
  std::size_t published = 0;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < samples.size() && !stop.Requested(); ++i) {
    if (i != 0 && options.intervalSeconds > 0) stop.PauseFor(std::chrono::duration<double>(options.intervalSeconds));
    const PublishSample& sample = samples[i];
    try {
      if (sample.isJson) {
        engine.InjectMessage(options.writer, sample.json, false, options.reportUnusedFields);
      } else {
        engine.InjectMessage(options.writer, sample.fields, false, options.reportUnusedFields);
      }
      ++published;
    } catch (const std::exception& error) {
      ++failed;
      std::cerr << "veltrane: error: " << sample.origin << ": " << error.what() << '\n';
    }
  }
  if (published != 0) stop.PauseFor(std::chrono::duration<double>(options.lingerSeconds));
  engine.Shutdown();
  std::cerr << "published " << published << " of " << samples.size() << " samples through "
            << options.writer << '\n';
  return failed == 0 && published == samples.size() ? 0 : 1;
}

}  // namespace Quorvel::Cli
