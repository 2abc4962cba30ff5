// With JSON as the only output, the samples of one datagram share the text of its IP and UDP
// headers, written once, and the text of their sample information, filled in with their own
// sequence numbers. Every sample of real recordings (one carrying several samples per datagram,
// one of IP fragments) must get the text it gets when the map is output too and each sample
// writes its metadata itself, with 1 and 2 pool threads (two samples of one datagram dissected
// at once), and with members sorted by name.

#include <quorvel/Veltrane.h>

#include <boost/log/core.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel {
namespace {

class JsonCollector : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    std::lock_guard lock(mutex);
    samples.push_back(json);
  }
  std::mutex mutex;
  std::vector<std::string> samples;
};

std::vector<std::string> DissectedJson(const std::string& recording, bool withMap,
                                       std::uint64_t threads, FieldsOrdering ordering) {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
  configuration.threadPoolSize = threads;
  configuration.ddsConfigurationFilesPath = {VELTRANE_TEST_DATA_DIR "/passive/keyedseq.xml"};
  configuration.jsonOutput = true;
  configuration.mapOutput = withMap;
  configuration.fieldsOrdering = ordering;
  Veltrane engine;
  engine.Init(configuration);
  JsonCollector collector;
  engine.BindListener(&collector, static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON));
  engine.Run();
  engine.DissectRecordingFile(VELTRANE_TEST_DATA_DIR "/passive/" + recording, true);
  engine.Shutdown();
  // The facade filters the process-wide log core at its verbosity; later tests of this
  // executable count debug lines.
  boost::log::core::get()->reset_filter();
  return collector.samples;
}

TEST(SharedMetadataJson, EverySampleGetsTheTextItWritesItself) {
  for (const char* recording : {"ddsperf_lo.pcap", "ddsperf_fragments.pcap"}) {
    for (const std::uint64_t threads : {1u, 2u}) {
      for (const FieldsOrdering ordering :
           {FieldsOrdering::TYPE_BASED_ORDERING, FieldsOrdering::STANDARDIZED_UNORDERED}) {
        SCOPED_TRACE(std::string(recording) + ", " + std::to_string(threads) + " threads");
        const std::vector<std::string> shared = DissectedJson(recording, false, threads, ordering);
        const std::vector<std::string> own = DissectedJson(recording, true, threads, ordering);
        ASSERT_GT(shared.size(), 30u);
        ASSERT_EQ(shared.size(), own.size());
        for (std::size_t i = 0; i < shared.size(); ++i) ASSERT_EQ(shared[i], own[i]) << "sample " << i;
        EXPECT_NE(shared.front().find("\"UDPHeader\":{"), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace Quorvel
