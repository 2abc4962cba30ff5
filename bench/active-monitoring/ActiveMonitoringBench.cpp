// Active monitoring throughput: samples per second that a subscriber of ddsperf's KeyedSeq
// stream takes, in one of two forms (bench/active-monitoring.sh runs both beside `ddsperf sub`):
//   engine  ACTIVE_STATIC_MONITORING, every sample dissected and delivered as JSON to a listener
//   plain   the engine's Fast DDS reader of the generic payload type, taking and counting only
//           (the limit of the transport)
// Usage: veltrane_active_monitoring_bench engine|plain <participant.xml> <domain> <seconds>
// Prints one line: mode, samples, seconds (first to last sample), samples/s, and for the
// engine its drops and the samples its delivery missed.

#include "active/ActiveEngine.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "engine/core/EngineConfig.h"
#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/transport/WaitCondition.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineListener.h>
#include <quorvel/EngineStatistics.h>
#include <quorvel/FactoryConfiguration.h>
#include <quorvel/Veltrane.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace Quorvel;

// Counts what arrives and remembers when the first and the latest sample came.
class Meter {
 public:
  void Add(std::uint64_t n) {
    if (n == 0) return;
    const auto now = Clock::now().time_since_epoch().count();
    std::int64_t unset = 0;
    first.compare_exchange_strong(unset, now);
    last.store(now);
    count.fetch_add(n);
  }
  std::uint64_t Count() const { return count.load(); }
  double Seconds() const { return std::chrono::duration<double>(Clock::duration(last.load() - first.load())).count(); }

 private:
  std::atomic<std::uint64_t> count{0};
  std::atomic<std::int64_t> first{0};
  std::atomic<std::int64_t> last{0};
};

class JsonCounter : public EngineListener {
 public:
  explicit JsonCounter(Meter& meter) : meter(meter) {}
  void OnUserDataJson(const std::string& json) override {
    bytes += json.size();
    meter.Add(1);
  }
  std::uint64_t bytes = 0;

 private:
  Meter& meter;
};

std::shared_ptr<EngineConfig> Config(const std::string& xml, int domain) {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::ACTIVE_STATIC_MONITORING;
  configuration.threadPoolSize = 1;
  configuration.ddsConfigurationFilesPath = {xml};
  configuration.domainId = domain;
  configuration.jsonOutput = true;
  auto config = std::make_shared<EngineConfig>();
  config->InitializeAndVerifyConfiguration(configuration);
  return config;
}

// Discovery against a loaded machine may take seconds: the measured time starts with the first
// sample (waiting at most 20 s for it) so that every run covers the same stretch of the stream.
void Measure(const Meter& meter, int seconds) {
  const auto giveUp = Clock::now() + std::chrono::seconds(20);
  while (meter.Count() == 0 && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

void Report(const char* mode, const Meter& meter, const std::string& extra) {
  const double seconds = meter.Seconds();
  std::printf("%s samples %llu seconds %.3f rate %.0f%s\n", mode, static_cast<unsigned long long>(meter.Count()),
              seconds, seconds > 0 ? static_cast<double>(meter.Count()) / seconds : 0.0, extra.c_str());
}

int RunEngine(const std::string& xml, int domain, int seconds) {
  Meter meter;
  JsonCounter counter(meter);
  ActiveEngine engine(Config(xml, domain));
  engine.Init();
  engine.BindListener(&counter, static_cast<std::uint32_t>(EngineListenerEventsOptions::USER_DATA_JSON));
  engine.Run();
  Measure(meter, seconds);
  engine.Terminate();
  const EngineStatistics statistics = engine.Statistics();
  const std::uint64_t dropped = statistics.droppedConversionError + statistics.droppedDissectionError;
  Report("engine", meter,
         " dropped " + std::to_string(dropped) + " delivered " + std::to_string(statistics.userSamplesDelivered) +
             " json_bytes " + std::to_string(counter.bytes));
  return dropped == 0 ? 0 : 1;
}

int RunPlain(const std::string& xml, int domain, int seconds) {
  // The engine's configuration loads the same files into the same QoS provider.
  const std::shared_ptr<EngineConfig> config = Config(xml, domain);
  config->InitEngineDDSConfig();
  const auto provider = config->engineDDSConfig->UserQosProvider();
  const auto domainInfo = config->engineDDSConfig->GetDomainInfo();
  std::unique_ptr<Transport::Participant> participant = Transport::Participant::Create(
      *provider, domainInfo->participantLibraryName + "::" + domainInfo->participantName, domain);
  std::shared_ptr<Transport::TopicReader> reader = participant->FindReader(domainInfo->readers.begin()->second.qualifiedName);
  Meter meter;
  {
    Transport::AsyncWaitSet waitSet("PlainReader", 1);
    std::vector<Transport::ReceivedSample> batch;
    waitSet.Attach(reader->Condition(), [&] {
      batch.clear();
      // Unlocked when the handler returns, as the engine's reader is.
      meter.Add(reader->TakeAll(batch));
    });
    waitSet.Start();
    participant->Enable();
    reader->Enable();
    Measure(meter, seconds);
    waitSet.Stop();
  }
  Report("plain", meter, "");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: veltrane_active_monitoring_bench engine|plain <participant.xml> <domain> <seconds>\n";
    return 2;
  }
  const std::string mode = argv[1];
  try {
    // As an application does: the log at its default severity (info) into its files.
    FactoryConfiguration factory;
    factory.logger.loggingDir = std::filesystem::temp_directory_path().string();
    Veltrane::SetFactoryConfiguration(factory);
    if (mode == "engine") return RunEngine(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
    if (mode == "plain") return RunPlain(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
  } catch (const std::exception& e) {
    std::cerr << "veltrane_active_monitoring_bench: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "unknown mode " << mode << "\n";
  return 2;
}
