// Recordings of real traffic (tests/data/passive_e2e, scripts/capture-passive-e2e.sh) through
// the public facade: every user sample the engine delivers is compared whole with the sample
// the publishing peer logged for that writer and sequence number, every DATA that tshark
// decodes as user data is delivered exactly once, and the writers, topics and type names the
// engine discovers are tshark's.

#include "passive_e2e/support/PeerLogs.h"
#include "passive_e2e/support/PeerValue.h"
#include "passive_e2e/support/RecordingRun.h"

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;

struct PeerRecording {
  std::string name;
  std::vector<std::string> logs;  // under passive_e2e/
  std::vector<std::string> typeFiles;
};

std::vector<PeerRecording> Recordings() {
  const std::vector<std::string> rich{TestDataPath("types/rich")};
  const std::vector<std::string> fast{TestDataPath("passive_e2e/fast_sample.xml")};
  return {
      {"rich_lo", {"rich_lo.xcdr1.jsonl", "rich_lo.xcdr2.jsonl"}, rich},
      {"rich_any", {"rich_any.xcdr1.jsonl", "rich_any.xcdr2.jsonl"}, rich},
      {"fastdds_lo", {"fastdds_lo.jsonl"}, fast},
      {"fastdds_fragments", {"fastdds_fragments.jsonl"}, fast},
  };
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// GUID texts as the engine writes them ("0x" + hex) and as tshark does, made comparable.
std::string Guid(const std::string& text) {
  return Lower(text.rfind("0x", 0) == 0 ? text.substr(2) : text);
}

std::uint64_t FramesIn(const std::string& path) {
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* handle = pcap_open_offline(path.c_str(), error);
  if (handle == nullptr) throw std::runtime_error(error);
  std::uint64_t frames = 0;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(handle, &header, &data) == 1) ++frames;
  pcap_close(handle);
  return frames;
}

std::uint64_t SubMessagesNamed(const EngineStatistics& statistics, const std::string& name) {
  std::uint64_t count = 0;
  for (const auto& [kind, seen] : statistics.subMessagesByKind) {
    // "RTPS_DATA" and its longer spellings, but not RTPS_DATA_FRAG or _BATCH.
    if (kind.size() >= name.size() && kind.compare(kind.size() - name.size(), name.size(), name) == 0) count += seen;
  }
  return count;
}

class PeerRecordingTest : public ::testing::TestWithParam<PeerRecording> {};

TEST_P(PeerRecordingTest, DeliversEverySampleWholeAsThePeerWroteIt) {
  const PeerRecording& recording = GetParam();
  const std::string pcap = TestDataPath("passive_e2e/" + recording.name + ".pcap");
  std::vector<std::string> logPaths;
  for (const std::string& log : recording.logs) logPaths.push_back(TestDataPath("passive_e2e/" + log));
  const std::vector<LoggedSample> logged = ReadPeerLogs(logPaths);
  const std::vector<TsharkData> tshark = ReadTsharkDecode(TestDataPath("passive_e2e/" + recording.name + ".tshark.txt"));

  const RecordingResult result = DissectRecording(pcap, recording.typeFiles);

  // The peer's samples by topic, in writing order: sequence number n of a writer is its n-th.
  std::map<std::string, std::vector<const LoggedSample*>> byTopic;
  for (const LoggedSample& sample : logged) byTopic[sample.topic].push_back(&sample);

  std::multiset<std::pair<std::string, std::uint64_t>> expectedData;
  std::map<std::pair<std::string, std::uint64_t>, std::string> topicOfData;
  for (const TsharkData& row : tshark) {
    if (!row.IsUserData() || !row.dataPresent) continue;
    expectedData.insert({row.writerGuid, row.sequence});
    topicOfData[{row.writerGuid, row.sequence}] = row.topic;
  }
  ASSERT_FALSE(expectedData.empty());

  std::multiset<std::pair<std::string, std::uint64_t>> deliveredData;
  std::map<std::string, std::set<std::uint64_t>> sequencesByTopic;
  for (const Json& sample : result.userSamples) {
    const Json& info = sample.at("SampleMetaData").at("DDSSampleInfo");
    const std::string writer = Guid(info.at("source_guid").get<std::string>());
    const auto sequence = info.at("publication_sequence_number").get<std::uint64_t>();
    const std::string topic = sample.at("SampleMetaData").at("CommonMetaData").at("topic_name").get<std::string>();
    SCOPED_TRACE(topic + " #" + std::to_string(sequence) + " from " + writer);
    deliveredData.insert({writer, sequence});
    sequencesByTopic[topic].insert(sequence);
    EXPECT_EQ(topic, (topicOfData[{writer, sequence}])) << "tshark names another topic";
    const auto logs = byTopic.find(topic);
    ASSERT_NE(logs, byTopic.end()) << "the peer wrote nothing on this topic";
    ASSERT_GE(sequence, 1u);
    ASSERT_LE(sequence, logs->second.size()) << "the peer wrote fewer samples";
    const Json& delivered = sample.at("SampleData");
    EXPECT_EQ(AsDelivered(logs->second[sequence - 1]->value, delivered).dump(), delivered.dump());
  }
  EXPECT_EQ(deliveredData, expectedData) << "every DATA of a user writer in tshark's decode, each once";
  for (const auto& [topic, samples] : byTopic) {
    EXPECT_EQ(sequencesByTopic[topic].size(), samples.size()) << topic << ": every sample the peer wrote";
  }

  // Writers: exactly those tshark saw announced, with its topic and type names.
  std::set<std::tuple<std::string, std::string, std::string>> announced, discovered;
  for (const TsharkData& row : tshark) {
    if (row.IsPublication() && row.dataPresent) announced.insert({row.endpointGuid, row.topic, row.type});
  }
  for (const WriterInfo& writer : result.writers) {
    discovered.insert({Guid(writer.guid), writer.topicName, writer.typeName});
  }
  EXPECT_EQ(discovered, announced);

  // The announcements as delivered name the writers as tshark does.
  std::set<std::tuple<std::string, std::string, std::string>> delivered;
  for (const Json& sample : result.discoverySamples) {
    const Json& data = sample.at("SampleData");
    if (!data.contains("topic_name")) continue;
    const std::string guid = Guid(data.at("entity_guid").get<std::string>());
    // Data(r) names topic and type too: keep writers (entity kind 0x02, 0x03) only.
    const std::string kind = guid.substr(guid.size() - 2);
    if (kind == "02" || kind == "03") {
      delivered.insert({guid, data.at("topic_name").get<std::string>(), data.at("type_name").get<std::string>()});
    }
  }
  EXPECT_EQ(delivered, announced);

  // Every Data(p), Data(w) and Data(r) is delivered as a discovery sample (their disposes and
  // unregisters carry no announcement).
  const auto discoveryData = std::count_if(tshark.begin(), tshark.end(),
                                           [](const TsharkData& row) { return row.IsDiscovery() && row.dataPresent; });
  EXPECT_EQ(result.discoverySamples.size(), static_cast<std::size_t>(discoveryData));

  const EngineStatistics& statistics = result.statistics;
  EXPECT_EQ(statistics.framesRead, FramesIn(pcap));
  EXPECT_EQ(statistics.userSamplesDelivered, result.userSamples.size());
  EXPECT_EQ(statistics.discoverySamplesDelivered, result.discoverySamples.size());
  EXPECT_EQ(SubMessagesNamed(statistics, "RTPS_DATA"), tshark.size());
  EXPECT_EQ(statistics.droppedNoMatchingWriter, 0u);
  EXPECT_EQ(statistics.droppedConversionError, 0u);
  EXPECT_EQ(statistics.droppedDissectionError, 0u);
  EXPECT_EQ(statistics.droppedMalformedInput, 0u);
  EXPECT_EQ(statistics.droppedIncompleteFragments, 0u);
}

INSTANTIATE_TEST_SUITE_P(PassiveE2E, PeerRecordingTest, ::testing::ValuesIn(Recordings()),
                         [](const ::testing::TestParamInfo<PeerRecording>& info) { return info.param.name; });

}  // namespace
}  // namespace Quorvel::e2e
