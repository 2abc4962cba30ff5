// Static monitoring through the public facade: the factory builds the active engine, and
// ddsperf's samples reach a bound listener as JSON whose values agree with their sample
// information. Domain 173 is this test's own.

#include "support/ChildProcess.h"

#include <quorvel/EngineListener.h>
#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace Quorvel {
namespace {

using namespace std::chrono_literals;

class JsonCollector : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override {
    std::lock_guard<std::mutex> guard(mutex);
    documents.push_back(json);
  }
  std::vector<std::string> Documents() {
    std::lock_guard<std::mutex> guard(mutex);
    return documents;
  }

 private:
  std::mutex mutex;
  std::vector<std::string> documents;
};

TEST(ActiveFacade, StaticMonitoringDeliversDdsperfSamplesAsJson) {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::ACTIVE_STATIC_MONITORING;
  configuration.ddsConfigurationFilesPath = {std::string(VELTRANE_TEST_DATA_DIR) + "/active/keyedseq_monitor.xml"};
  configuration.domainId = 173;
  configuration.jsonOutput = true;
  Veltrane engine;
  engine.Init(configuration);
  JsonCollector listener;
  engine.BindListener(&listener, static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON));
  engine.Run();
  testing::ChildProcess pub({"ddsperf", "-i", "173", "-D", "3", "pub", "500Hz", "size", "0"},
                                  std::string(VELTRANE_BINARY_DIR) + "/active_facade_pub173.log");
  pub.Wait();
  std::this_thread::sleep_for(1500ms);
  engine.Shutdown();

  const std::vector<std::string> documents = listener.Documents();
  ASSERT_GT(documents.size(), 200u) << pub.Output();
  std::set<std::uint64_t> seqs;
  for (const std::string& text : documents) {
    const auto document = nlohmann::json::parse(text);
    const std::uint64_t seq = document.at("SampleData").at("seq").get<std::uint64_t>();
    const auto& info = document.at("SampleMetaData").at("DDSSampleInfo");
    ASSERT_EQ(info.at("publication_sequence_number").get<std::uint64_t>(), seq + 1);
    ASSERT_EQ(info.at("instance_state").get<int>(), 1);
    ASSERT_EQ(document.at("SampleMetaData").at("CommonMetaData").at("topic_name"), "DDSPerfRDataKS");
    seqs.insert(seq);
  }
  EXPECT_EQ(seqs.size(), documents.size()) << "a sample delivered twice";
  EXPECT_EQ(*seqs.rbegin() - *seqs.begin() + 1, seqs.size()) << "samples lost";
}

}  // namespace
}  // namespace Quorvel
