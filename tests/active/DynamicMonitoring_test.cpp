// Dynamic monitoring against Cyclone DDS on loopback: the engine declares no readers; ddsperf
// and rich_peer announce their writers, and the engine must announce each writer of a known
// type as a discovery sample, subscribe to its topic and deliver its samples, and skip the
// writers of types it does not know with the lines that say so. Domains 175, 176 and 225 are
// this test's own.

#include "active/ActiveEngine.h"
#include "active/support/MonitorEngine.h"
#include "engine/core/EngineConfig.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/ThreadNames.h"

#include <quorvel/EngineConfiguration.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace Quorvel {
namespace {

using namespace std::chrono_literals;
using testing::Field;
using testing::Fields;

std::shared_ptr<EngineConfig> DynamicConfig(std::int64_t domain, bool withRichTypes) {
  std::vector<std::string> files = {"active/dynamic_monitor.xml"};
  if (withRichTypes) files.push_back("types/rich/RichTypes.xml");
  return testing::MonitorConfig(EngineOperationMode::ACTIVE_DYNAMIC_MONITORING, files, domain);
}

std::size_t LineCount(const std::string& file) {
  std::ifstream in(file);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.empty() ? 0 : 1;
  return lines;
}

std::map<std::string, std::size_t> CountByTopic(const std::vector<Fields>& samples) {
  std::map<std::string, std::size_t> counts;
  for (const Fields& sample : samples) ++counts[Field(sample, "SampleMetaData.CommonMetaData.topic_name")];
  return counts;
}

// The XCDR1 topics: Cyclone's XCDR2 writers never match Fast DDS 2.9 readers, which do not
// announce their data representation.
const std::vector<std::string> kRichTopics = {"ActiveDyn_FinalAll_xcdr1", "ActiveDyn_Extras_xcdr1"};

// What the engine logged, for the reader of a failed run.
void PrintLogOnFailure(const testing::LogCapture& log) {
  if (!::testing::Test::HasFailure()) return;
  for (const std::string& line : log.Messages()) std::cerr << line << "\n";
}

std::size_t RichSamples(const std::map<std::string, std::size_t>& counts) {
  std::size_t total = 0;
  for (const std::string& topic : kRichTopics) total += counts.contains(topic) ? counts.at(topic) : 0;
  return total;
}

TEST(ActiveDynamicMonitoring, DiscoversDdsperfAndRichPeerSubscribesKnownTypesAndDeliversTheirSamples) {
  testing::LogCapture log;
  testing::RunningEngine running(DynamicConfig(175, true));
  ActiveEngine& engine = running.engine;
  testing::CollectingListener& listener = running.listener;

  const std::string out = std::string(VELTRANE_BINARY_DIR) + "/active_dynamic175";
  testing::ChildProcess rich({std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/rich_peer", "publish", "175",
                              "xcdr1", "ActiveDyn", "1", out + "_rich.jsonl"},
                             out + "_rich.log");
  testing::ChildProcess perf({"ddsperf", "-i", "175", "-D", "4", "pub", "500Hz", "size", "0"}, out + "_perf.log");
  // rich_peer writes once the engine's readers of all its topics matched.
  EXPECT_EQ(rich.Wait(), 0) << rich.Output();
  perf.Wait();
  PrintLogOnFailure(log);
  ASSERT_FALSE(HasFailure());
  const std::size_t richSamples = LineCount(out + "_rich.jsonl");
  ASSERT_GT(richSamples, 0u);
  listener.WaitForUserData(
      [&](const std::vector<Fields>& samples) {
        const auto counts = CountByTopic(samples);
        return RichSamples(counts) >= richSamples && counts.contains("DDSPerfRDataKS");
      },
      10s);
  engine.Terminate();

  // Each writer of a known type once, as the "DataWriterEndpointDiscovery" topic.
  std::map<std::string, Fields> announced;
  for (const Fields& discovery : listener.DiscoveryMaps()) {
    EXPECT_EQ(Field(discovery, "SampleMetaData.CommonMetaData.topic_name"), "DataWriterEndpointDiscovery");
    EXPECT_EQ(Field(discovery, "SampleMetaData.CommonMetaData.domain_id"), "175");
    EXPECT_TRUE(std::regex_match(Field(discovery, "SampleData.entity_guid"), std::regex("0x[0-9a-f]{32}")))
        << Field(discovery, "SampleData.entity_guid");
    const std::string topic = Field(discovery, "SampleData.topic_name");
    EXPECT_TRUE(announced.emplace(topic, discovery).second) << topic << " announced twice";
  }
  ASSERT_TRUE(announced.contains("DDSPerfRDataKS"));
  EXPECT_EQ(Field(announced["DDSPerfRDataKS"], "SampleData.type_name"), "KeyedSeq");
  for (const std::string& topic : kRichTopics) {
    ASSERT_TRUE(announced.contains(topic)) << topic;
    EXPECT_EQ(Field(announced[topic], "SampleData.type_name").rfind("Rich::", 0), 0u);
    EXPECT_EQ(log.Count("Starting to monitor Topic " + topic), 1u);
  }
  EXPECT_EQ(listener.DiscoveryJson().size(), announced.size());

  // Every rich sample the peer wrote, and ddsperf's stream.
  const std::vector<Fields> samples = listener.UserMaps();
  const auto counts = CountByTopic(samples);
  EXPECT_EQ(RichSamples(counts), richSamples);
  ASSERT_TRUE(counts.contains("DDSPerfRDataKS"));
  EXPECT_GT(counts.at("DDSPerfRDataKS"), 100u);
  std::set<std::string> topics;
  for (const Fields& sample : samples) {
    topics.insert(Field(sample, "SampleMetaData.CommonMetaData.topic_name"));
    EXPECT_EQ(Field(sample, "SampleMetaData.DDSSampleInfo.valid_data"), "1");
  }
  for (const std::string& topic : topics) EXPECT_TRUE(announced.contains(topic)) << topic << " not announced";

  // Writers of types the type files lack: logged and skipped, no reader, no announcement.
  std::set<std::string> skippedTypes;
  const std::regex skipped("Skipping dynamic subscription for type (.*)");
  for (const std::string& line : log.Messages()) {
    std::smatch match;
    if (std::regex_search(line, match, skipped)) skippedTypes.insert(match[1]);
  }
  for (const std::string& type : skippedTypes) {
    EXPECT_EQ(type.rfind("Rich::", 0), std::string::npos) << type;
    EXPECT_NE(type, "KeyedSeq");
  }
}

TEST(ActiveDynamicMonitoring, WritersOfUnknownTypesAreSkippedWithTheirLines) {
  testing::LogCapture log;
  testing::RunningEngine running(DynamicConfig(176, false));
  ActiveEngine& engine = running.engine;
  testing::CollectingListener& listener = running.listener;
  // Without the rich type files nobody here subscribes: rich_peer keeps waiting for readers
  // and is killed at the end of the test.
  testing::ChildProcess rich({std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/rich_peer", "publish", "176",
                              "xcdr1", "Unknown", "1", std::string(VELTRANE_BINARY_DIR) + "/active_dynamic176.jsonl"},
                             std::string(VELTRANE_BINARY_DIR) + "/active_dynamic176.log");
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (log.Count("Skipping dynamic subscription for type Rich::") < kRichTopics.size() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(100ms);
  }
  std::this_thread::sleep_for(500ms);
  engine.Terminate();
  for (const char* type : {"Rich::FinalAll", "Rich::Extras"}) {
    const std::string topic = "Unknown_" + std::string(type).substr(6) + "_xcdr1";
    EXPECT_EQ(log.Count("Discovered a DataWriter to Topic = " + topic + " With Type = " + type), 1u) << topic;
    EXPECT_EQ(log.Count("Skipping dynamic subscription for type " + std::string(type)), 1u) << type;
    EXPECT_EQ(log.Count("Starting to monitor Topic " + topic), 0u) << topic;
  }
  EXPECT_TRUE(listener.DiscoveryMaps().empty());
  EXPECT_TRUE(listener.UserMaps().empty());
  // Terminate leaves no worker behind (thread names are cut to 15 characters).
  for (const std::string& name : testing::ThreadNames()) {
    EXPECT_EQ(name.rfind("BuiltinTopics", 0), std::string::npos) << name;
    EXPECT_EQ(name.rfind("TopicDissector", 0), std::string::npos) << name;
  }
  EXPECT_EQ(engine.Statistics().droppedUnknownType, kRichTopics.size());
}

// The participant file of this run also declares a reliable KEEP_ALL reader of ddsperf's topic
// (1000 samples per instance) for static monitoring. Dynamic monitoring never takes from it, so
// enabled it would fill up and hold ddsperf's reliable writer back after about a thousand
// samples, and with it the reader the engine subscribed on the fly.
TEST(ActiveDynamicMonitoring, ReadersDeclaredInTheFileDoNotHoldBackAReliablePublisher) {
  testing::RunningEngine running(testing::MonitorConfig(EngineOperationMode::ACTIVE_DYNAMIC_MONITORING,
                                                        {"active/keyedseq_monitor.xml"}, 225));
  testing::CollectingListener& listener = running.listener;
  const std::string out = std::string(VELTRANE_BINARY_DIR) + "/active_dynamic225";
  // 3000 samples in 6 s: three times what the idle reader holds.
  testing::ChildProcess perf({"ddsperf", "-i", "225", "-D", "6", "pub", "500Hz", "size", "0"}, out + "_perf.log");
  perf.Wait();
  const auto enough = [](const std::vector<Fields>& samples) { return samples.size() >= 2000; };
  listener.WaitForUserData(enough, 10s);
  running.engine.Terminate();
  EXPECT_GE(listener.UserMaps().size(), 2000u) << "the publisher was held back";
}

}  // namespace
}  // namespace Quorvel
