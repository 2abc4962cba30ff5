// The whole passive engine on the committed ddsperf recordings (Cyclone DDS traffic captured on
// `lo`, on `any` as Linux cooked v2 and v1, and inside a network namespace whose MTU-1500
// loopback splits samples into IP fragments): every KeyedSeq sample and every discovery
// announcement that tshark decodes must reach the listener with the writer GUID, sequence
// number, topic and type names tshark gives, and the statistics must account for every frame
// and every DATA of the file.

#include "passive/support/EngineHarness.h"

#include "passive/PassiveEngineDB.h"
#include "support/FieldRows.h"

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <map>
#include <set>

namespace Quorvel::passive {
namespace {

using testing::DeliveredSample;
using testing::EngineHarness;
using testing::HarnessOptions;
using testing::kPassiveDataDir;
using Quorvel::testing::ReadFieldRows;

constexpr char kSampleInfo[] = "SampleMetaData.DDSSampleInfo.";

// What tshark says the recording holds.
struct Reference {
  // Per writer GUID (32 hex digits): topic and type of its first Data(w), and that frame.
  struct Writer {
    int frame;
    std::string topic;
    std::string type;
  };
  std::map<std::string, Writer> writers;
  std::multiset<std::string> endpointAnnouncements;  // "w|r guid topic type"
  std::multiset<std::string> participantAnnouncements;  // "guid version"
  size_t disposals = 0;  // key-only announcements of entities that went away
  std::multiset<std::string> userSamples;             // "guid sequence topic"
  size_t dataSubMessages = 0;
  size_t subMessages = 0;
  std::set<int> rtpsFrames;  // a reassembled datagram under the frame that completed it
  size_t builtinOtherData = 0;  // DATA of builtin writers other than discovery
  size_t lateUserSamples = 0;   // user DATA read before their writer's Data(w)

  explicit Reference(const std::string& name) {
    for (const auto& row : ReadFieldRows(kPassiveDataDir + name + ".endpoints.txt", ';', 6)) {
      const int frame = std::stoi(row[0]);
      if (row[3].empty()) {
        ++disposals;
        continue;
      }
      if (row[1] == "p") {
        participantAnnouncements.insert("0x" + row[2] + " " + row[3]);
        continue;
      }
      if (row[1] == "w") writers.emplace(row[2], Writer{frame, row[3], row[4]});
      endpointAnnouncements.insert(row[1] + " 0x" + row[2] + " " + row[3] + " " + row[4]);
    }
    for (const auto& row : ReadFieldRows(kPassiveDataDir + name + ".tshark.txt", ';', 6)) {
      rtpsFrames.insert(std::stoi(row[0]));
      ++subMessages;
      if (row[2] != "0x15") continue;
      ++dataSubMessages;
      const std::string& writer = row[4];
      const uint8_t kind = static_cast<uint8_t>(std::stoul(writer, nullptr, 16));
      if (writer == "000100c2" || writer == "000003c2" || writer == "000004c2") {
      } else if (kind == 0x02 || kind == 0x03) {
        const std::string guid = row[3] + writer;
        const auto found = writers.find(guid);
        if (found == writers.end() || found->second.frame > std::stoi(row[0])) {
          ++lateUserSamples;
          continue;
        }
        userSamples.insert("0x" + guid + " " + row[5] + " " + found->second.topic);
      } else {
        ++builtinOtherData;
      }
    }
  }

  // Data(w) of types the KeyedSeq type file lacks are not delivered.
  size_t UnknownTypeAnnouncements() const {
    size_t count = 0;
    for (const auto& announcement : endpointAnnouncements) {
      if (announcement.rfind("w ", 0) == 0 &&
          announcement.compare(announcement.size() - 9, 9, " KeyedSeq") != 0) {
        ++count;
      }
    }
    return count;
  }
};

size_t PacketsIn(const std::string& path) {
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* handle = pcap_open_offline(path.c_str(), error);
  if (!handle) return 0;
  size_t count = 0;
  pcap_pkthdr* header;
  const u_char* data;
  while (pcap_next_ex(handle, &header, &data) == 1) ++count;
  pcap_close(handle);
  return count;
}

std::string Field(const DeliveredSample& sample, const std::string& key) {
  const auto found = sample.fields.find(key);
  return found == sample.fields.end() ? "<missing " + key + ">" : found->second;
}

class DdsperfThroughTheEngine : public ::testing::TestWithParam<const char*> {};

TEST_P(DdsperfThroughTheEngine, DeliversWhatTsharkDecodesAndCountsEverything) {
  const std::string name = GetParam();
  const std::string pcap = kPassiveDataDir + name + ".pcap";
  const Reference reference(name);
  ASSERT_GT(reference.userSamples.size(), 30u);

  EngineHarness harness;
  harness.engine->DissectRecordingFile(pcap, true);
  EXPECT_TRUE(harness.engine->IsIdle());

  std::multiset<std::string> userSamples;
  for (const DeliveredSample& sample : harness.listener.UserSamples()) {
    userSamples.insert(Field(sample, std::string(kSampleInfo) + "publication_handle") + " " +
                       Field(sample, std::string(kSampleInfo) + "publication_sequence_number") +
                       " " + Field(sample, "SampleMetaData.CommonMetaData.topic_name"));
    EXPECT_EQ(Field(sample, "SampleMetaData.CommonMetaData.domain_id"), "57");
    EXPECT_TRUE(sample.fields.count("SampleData.seq"));
    EXPECT_TRUE(sample.fields.count("SampleData.keyval"));
    EXPECT_NE(sample.json.find("\"PassiveMetaData\""), std::string::npos);
  }
  EXPECT_EQ(userSamples, reference.userSamples);

  std::multiset<std::string> endpoints, participants;
  for (const DeliveredSample& sample : harness.listener.DiscoverySamples()) {
    if (sample.fields.count("SampleData.domain_id")) {
      EXPECT_EQ(Field(sample, "SampleData.domain_id"), "57");
      participants.insert(Field(sample, "SampleData.entity_guid") + " " +
                          Field(sample, "SampleData.protocol_version"));
      continue;
    }
    const std::string topic = Field(sample, "SampleData.topic_name");
    EXPECT_EQ(Field(sample, "SampleData.entity_name"), topic + "_DW");
    const bool publication =
        Field(sample, std::string(kSampleInfo) + "publication_handle").substr(26) == "000003c2";
    endpoints.insert(std::string(publication ? "w " : "r ") +
                     Field(sample, "SampleData.entity_guid") + " " + topic + " " +
                     Field(sample, "SampleData.type_name"));
  }
  EXPECT_EQ(participants, reference.participantAnnouncements);
  std::multiset<std::string> expectedEndpoints;
  for (const auto& announcement : reference.endpointAnnouncements) {
    if (announcement.rfind("w ", 0) == 0 &&
        announcement.compare(announcement.size() - 9, 9, " KeyedSeq") != 0) {
      continue;
    }
    expectedEndpoints.insert(announcement);
  }
  EXPECT_EQ(endpoints, expectedEndpoints);

  const EngineStatistics statistics = harness.engine->Statistics();
  const size_t packets = PacketsIn(pcap);
  EXPECT_EQ(statistics.framesRead, packets);
  EXPECT_EQ(statistics.rtpsMessagesParsed, reference.rtpsFrames.size());
  if (name != "ddsperf_fragments") {
    EXPECT_EQ(statistics.rtpsMessagesParsed + statistics.droppedNonRtps +
                  statistics.droppedMalformedInput,
              packets);
  }
  EXPECT_EQ(statistics.userSamplesDelivered, reference.userSamples.size());
  EXPECT_EQ(statistics.discoverySamplesDelivered,
            reference.participantAnnouncements.size() + expectedEndpoints.size());
  EXPECT_EQ(statistics.droppedNoMatchingWriter, reference.lateUserSamples);
  EXPECT_EQ(statistics.droppedUnknownType, reference.UnknownTypeAnnouncements());
  EXPECT_EQ(statistics.droppedNotDissected, reference.builtinOtherData);
  EXPECT_EQ(statistics.droppedNoData, reference.disposals);
  const uint64_t samplesDropped =
      statistics.droppedNoMatchingWriter + statistics.droppedNoData +
      statistics.droppedConversionError + statistics.droppedDissectionError +
      statistics.droppedUnknownType + statistics.droppedNotDissected;
  EXPECT_EQ(statistics.userSamplesDelivered + statistics.discoverySamplesDelivered +
                samplesDropped,
            reference.dataSubMessages);
  EXPECT_EQ(statistics.subMessagesByKind.at("RTPS_DATA"), reference.dataSubMessages);
  uint64_t subMessages = 0;
  for (const auto& [kind, count] : statistics.subMessagesByKind) {
    EXPECT_EQ(kind.rfind("SUBMESSAGE_", 0), std::string::npos) << kind;
    subMessages += count;
  }
  EXPECT_EQ(subMessages, reference.subMessages);
  for (const auto& [queue, depth] : statistics.queueDepths) EXPECT_EQ(depth, 0u) << queue;
  EXPECT_EQ(statistics.queueDepths.size(), 6u);  // the five queues and the deliveries
}

INSTANTIATE_TEST_SUITE_P(Recordings, DdsperfThroughTheEngine,
                         ::testing::Values("ddsperf_lo", "ddsperf_any", "ddsperf_any_sll1",
                                           "ddsperf_fragments"));

}  // namespace
}  // namespace Quorvel::passive
