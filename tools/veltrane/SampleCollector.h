#pragma once

#include "SampleFormatter.h"
#include "TopicFilter.h"

#include <quorvel/EngineListener.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace Quorvel::Cli {

class OutputSink;
class StopSignal;

// The tool's engine listener: counts every user sample by topic, writes those that pass the
// topic filter (and discovery samples when asked) until the sample limit, then requests the
// stop. The engine calls it one callback at a time from its worker threads.
class SampleCollector : public EngineListener {
 public:
  struct Settings {
    TopicFilter filter;
    std::uint64_t sampleLimit = 0;  // 0: no limit
    bool writeDiscovery = false;
  };

  SampleCollector(const SampleFormatter& formatter, OutputSink& sink, StopSignal& stop, Settings settings);

  // The event set to bind this listener with: JSON or MAP callbacks, as the formatter reads.
  unsigned long Events() const;
  // Nothing is written or counted after this; called before the engine is shut down.
  void Close();

  std::map<std::string, std::uint64_t> UserSamplesByTopic() const;
  std::uint64_t SamplesWritten() const;

  void OnUserDataJson(const std::string& json) override;
  void OnUserDataMap(const std::map<std::string, std::string>& fields) override;
  void OnDiscoveryDataJson(const std::string& json) override;
  void OnDiscoveryDataMap(const std::map<std::string, std::string>& fields) override;

 private:
  void Accept(DeliveredSample sample);

  const SampleFormatter& formatter;
  OutputSink& sink;
  StopSignal& stop;
  const Settings settings;

  mutable std::mutex mutex;
  bool closed = false;
  std::map<std::string, std::uint64_t> userSamplesByTopic;
  std::uint64_t written = 0;
};

}  // namespace Quorvel::Cli
