// Dissects a pcap recording with the types of a type folder and prints every user sample as
// one line of JSON, then how many samples each topic had.
//   harbor_dissector <type files folder> <recording.pcap>
#include <quorvel/Veltrane.h>

#include <exception>
#include <iostream>
#include <map>
#include <mutex>
#include <string>

namespace {

// Callbacks come from the engine's worker threads, one at a time.
class PrintingListener : public Quorvel::EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    std::lock_guard<std::mutex> guard(mutex);
    std::cout << json << '\n';
  }

 private:
  std::mutex mutex;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: harbor_dissector <type files folder> <recording.pcap>\n";
    return 2;
  }
  try {
    Quorvel::EngineConfiguration configuration;
    configuration.operationMode = Quorvel::EngineOperationMode::RECORD_DISSECTION;
    configuration.ddsConfigurationFilesPath = {argv[1]};
    configuration.jsonOutput = true;

    Quorvel::Veltrane engine;
    engine.Init(configuration);
    PrintingListener listener;
    engine.BindListener(&listener, static_cast<unsigned long>(Quorvel::EngineListenerEventsOptions::USER_DATA_JSON));
    engine.Run();
    engine.DissectRecordingFile(argv[2], true);  // returns once the recording is dissected

    const Quorvel::EngineStatistics statistics = engine.GetStatistics();
    engine.Shutdown();
    std::cerr << statistics.userSamplesDelivered << " samples from " << statistics.framesRead << " frames\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "harbor_dissector: " << error.what() << '\n';
    return 1;
  }
}
