// RECORD_DISSECTION of one recording through the public library, as an application would:
// JSON output delivered to a bound listener. Prints one line:
//   veltrane <samples> <seconds> <samples/s> <MB of pcap/s> <JSON MB delivered>
//   veltrane_passive_recording_bench <file.pcap> <types.xml> [thread pool size]
#include <quorvel/Veltrane.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

class CountingListener : public Quorvel::EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    samples.fetch_add(1, std::memory_order_relaxed);
    bytes.fetch_add(json.size(), std::memory_order_relaxed);
  }
  std::atomic<std::uint64_t> samples{0};
  std::atomic<std::uint64_t> bytes{0};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: " << argv[0] << " <file.pcap> <types.xml> [thread pool size]\n";
    return 2;
  }
  try {
    const std::string pcap = argv[1];
    Quorvel::FactoryConfiguration factory;
    factory.logger.verbosity = Quorvel::LogSeverityLevel::WARNING;
    factory.logger.loggingDir = std::filesystem::temp_directory_path().string();
    Quorvel::Veltrane::SetFactoryConfiguration(factory);
    Quorvel::EngineConfiguration configuration;
    configuration.operationMode = Quorvel::EngineOperationMode::RECORD_DISSECTION;
    configuration.threadPoolSize = argc > 3 ? std::stoul(argv[3]) : 2;
    configuration.ddsConfigurationFilesPath = {argv[2]};
    configuration.jsonOutput = true;
    Quorvel::Veltrane engine;
    engine.Init(configuration);
    CountingListener listener;
    engine.BindListener(&listener, static_cast<unsigned long>(Quorvel::EngineListenerEventsOptions::USER_DATA_JSON));
    engine.Run();
    const auto start = std::chrono::steady_clock::now();
    engine.DissectRecordingFile(pcap, true);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const Quorvel::EngineStatistics statistics = engine.GetStatistics();
    engine.Shutdown();
    const double seconds = elapsed.count();
    const double megabytes = static_cast<double>(std::filesystem::file_size(pcap)) / 1e6;
    std::printf("veltrane %llu %.3f %.0f %.1f %.1f\n", static_cast<unsigned long long>(listener.samples.load()),
                seconds, static_cast<double>(listener.samples.load()) / seconds, megabytes / seconds,
                static_cast<double>(listener.bytes.load()) / 1e6);
    // Where samples went, for the reader of the figures (stderr keeps stdout one line).
    std::cerr << "frames " << statistics.framesRead << ", delivered " << statistics.userSamplesDelivered
              << ", dropped: no matching writer " << statistics.droppedNoMatchingWriter << ", no data "
              << statistics.droppedNoData << ", conversion " << statistics.droppedConversionError
              << ", malformed " << statistics.droppedMalformedInput << ", non-RTPS " << statistics.droppedNonRtps
              << ", incomplete fragments " << statistics.droppedIncompleteFragments << "\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << argv[0] << ": " << error.what() << "\n";
    return 1;
  }
}
