// Live capture through the facade: PASSIVE_DYNAMIC_MONITORING on `lo` while a Fast DDS peer
// (UDP only, so its traffic is on the wire) publishes; every sample the peer logged reaches
// the listener whole. Domain 188 and a topic of this test's own keep other DDS traffic apart.

#include "passive_e2e/support/PeerLogs.h"
#include "passive_e2e/support/RecordingRun.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

class TopicCollector : public EngineListener {
 public:
  explicit TopicCollector(std::string topic) : topic_(std::move(topic)) {}
  void OnUserDataJson(const std::string& text) override {
    Json sample = Json::parse(text);
    if (sample.at("SampleMetaData").at("CommonMetaData").at("topic_name") != topic_) return;
    std::lock_guard lock(mutex_);
    samples_.push_back(std::move(sample));
  }
  std::vector<Json> Samples() {
    std::lock_guard lock(mutex_);
    return samples_;
  }

 private:
  const std::string topic_;
  std::mutex mutex_;
  std::vector<Json> samples_;
};

TEST(LiveCapture, DeliversTheSamplesOfAFastDdsPeerPublishingOnLoopback) {
  const std::string peer = std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/fastdds_peer";
  if (!std::filesystem::exists(peer)) GTEST_SKIP() << "fastdds_peer is not built";
  const std::string scratch = std::string(VELTRANE_BINARY_DIR) + "/passive_e2e_live";
  std::filesystem::create_directories(scratch);
  const std::string topic = "live_e2e_" + std::to_string(::getpid());
  const std::string log = scratch + "/published.jsonl";

  ConfigureFactoryOnce();
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::PASSIVE_DYNAMIC_MONITORING;
  configuration.monitoredInterfaceName = "lo";
  configuration.threadPoolSize = 2;
  configuration.ddsConfigurationFilesPath = {TestDataPath("passive_e2e/fast_sample.xml")};
  configuration.jsonOutput = true;
  Veltrane engine;
  try {
    engine.Init(configuration);
  } catch (const std::runtime_error& error) {
    // The factory may not offer live capture yet; any other Init failure is a failure.
    if (std::string(error.what()).find("is available in this build") == std::string::npos) throw;
    GTEST_SKIP() << error.what();
  }
  TopicCollector collector(topic);
  engine.BindListener(&collector, static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON));
  engine.Run();
  {
    testing::ChildProcess listener({peer, "listen", "188", topic, "12"}, scratch + "/listen.txt");
    testing::ChildProcess publisher({peer, "publish", "188", topic, "25", "80", log}, scratch + "/publish.txt");
    ASSERT_EQ(publisher.Wait(), 0) << publisher.Output();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (collector.Samples().size() < 25 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(50ms);
    }
  }
  engine.Shutdown();

  const std::vector<LoggedSample> published = ReadPeerLogs({log});
  ASSERT_EQ(published.size(), 25u);
  std::map<std::uint64_t, Json> bySequence;
  for (const Json& sample : collector.Samples()) {
    const auto sequence =
        sample.at("SampleMetaData").at("DDSSampleInfo").at("publication_sequence_number").get<std::uint64_t>();
    bySequence.emplace(sequence, sample.at("SampleData"));
  }
  ASSERT_EQ(bySequence.size(), published.size()) << "every published sample, once each";
  for (std::size_t i = 0; i < published.size(); ++i) {
    EXPECT_EQ(bySequence[i + 1].dump(), published[i].value.dump()) << "sequence number " << i + 1;
  }
}

}  // namespace
}  // namespace Quorvel::e2e
