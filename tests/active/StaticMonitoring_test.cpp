// The active engine in static monitoring against Cyclone DDS's ddsperf on loopback: every
// KeyedSeq sample ddsperf publishes reliably is delivered, without gaps or duplicates, with its
// values and the sample information; nothing arrives before Run. Domain 171 is this test's own.

#include "active/ActiveEngine.h"
#include "active/support/MonitorEngine.h"
#include "engine/core/EngineConfig.h"
#include "support/ChildProcess.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineListener.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace Quorvel {
namespace {

using namespace std::chrono_literals;
using testing::CollectingListener;
using testing::Field;
using testing::Fields;

std::shared_ptr<EngineConfig> StaticConfig(std::int64_t domain) {
  return testing::MonitorConfig(EngineOperationMode::ACTIVE_STATIC_MONITORING, {"active/keyedseq_monitor.xml"}, domain);
}

TEST(ActiveStaticMonitoring, DeliversEveryDdsperfSampleWithValuesAndSampleInfo) {
  ActiveEngine engine(StaticConfig(171));
  engine.Init();
  CollectingListener listener;
  engine.BindListener(&listener, static_cast<std::uint32_t>(EngineListenerEventsOptions::USER_DATA_MAP));

  testing::ChildProcess pub({"ddsperf", "-i", "171", "-D", "4", "pub", "1000Hz", "size", "0"},
                                  std::string(VELTRANE_BINARY_DIR) + "/active_static_pub171.log");
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(listener.UserMaps().empty()) << "samples delivered before Run";
  engine.Run();
  pub.Wait();
  std::this_thread::sleep_for(1500ms);
  engine.Terminate();

  const std::vector<Fields> samples = listener.UserMaps();
  ASSERT_GT(samples.size(), 500u) << pub.Output();
  // Two workers may deliver consecutive batches out of order: losses are judged on the set.
  std::map<std::string, std::set<std::uint64_t>> seqsByKey;
  for (const Fields& sample : samples) {
    ASSERT_EQ(Field(sample, "SampleMetaData.CommonMetaData.topic_name"), "DDSPerfRDataKS");
    ASSERT_EQ(Field(sample, "SampleMetaData.CommonMetaData.domain_id"), "171");
    ASSERT_EQ(Field(sample, "SampleMetaData.DDSSampleInfo.valid_data"), "1");
    ASSERT_EQ(Field(sample, "SampleMetaData.DDSSampleInfo.instance_state"), "(1) - ALIVE_INSTANCE");
    ASSERT_EQ(Field(sample, "SampleMetaData.DDSSampleInfo.sample_state"), "(2) - NOT_READ_SAMPLE");
    ASSERT_EQ(Field(sample, "SampleMetaData.DDSSampleInfo.source_guid").size(), 34u);
    ASSERT_EQ(Field(sample, "SampleData.baggage[0]"), "<missing>");
    const std::uint64_t seq = std::stoull(Field(sample, "SampleData.seq"));
    const std::string key = Field(sample, "SampleData.keyval");
    ASSERT_TRUE(seqsByKey[key].insert(seq).second) << "sample " << seq << " delivered twice";
    // ddsperf counts its samples from 0 and its writer's RTPS sequence numbers from 1: the
    // decoded value and the sample information check each other.
    ASSERT_EQ(std::stoull(Field(sample, "SampleMetaData.DDSSampleInfo.publication_sequence_number")), seq + 1);
  }
  for (const auto& [key, seqs] : seqsByKey) {
    EXPECT_EQ(*seqs.rbegin() - *seqs.begin() + 1, seqs.size()) << "samples of key " << key << " lost";
  }
}

TEST(ActiveStaticMonitoring, TerminateTwiceIsHarmless) {
  ActiveEngine engine(StaticConfig(172));
  engine.Init();
  engine.Run();
  engine.Terminate();
  EXPECT_NO_THROW(engine.Terminate());
}

}  // namespace
}  // namespace Quorvel
