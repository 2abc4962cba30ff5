// Recordings of real DATA_FRAG traffic (tests/data/frag, scripts/capture-frag.sh) through the
// public facade: every sample the publishing peer logged is delivered exactly once, with the
// values it logged, and nothing is dropped as incomplete or malformed.

#include "passive_e2e/support/PeerLogs.h"
#include "passive_e2e/support/RecordingRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;

std::string FragData(const std::string& name) { return TestDataPath("frag/" + name); }

// The FNV-1a 64-bit hash the Cyclone peer logs of each baggage.
std::string Fnv1a64(const Json& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const Json& byte : bytes) {
    hash ^= byte.get<uint8_t>();
    hash *= 0x100000001b3ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// What the peer logged of a sample, from what the engine delivered.
Json AsLogged(const Json& delivered, bool keyedSeq) {
  if (!keyedSeq) return delivered;
  const Json& baggage = delivered.at("baggage");
  return Json{{"seq", delivered.at("seq")},
              {"keyval", delivered.at("keyval")},
              {"baggage_length", baggage.size()},
              {"baggage_fnv1a", Fnv1a64(baggage)}};
}

struct FragRecording {
  std::string recording;
  std::string log;
  std::string typeFile;
  bool keyedSeq;
  uint64_t largest;  // bytes of the largest sample, so the recording is known to fragment
};

class FragRecordingTest : public ::testing::TestWithParam<FragRecording> {};

TEST_P(FragRecordingTest, EveryLoggedSampleIsDeliveredOnceWithItsValues) {
  const FragRecording& param = GetParam();
  const std::vector<LoggedSample> logged = ReadPeerLogs({FragData(param.log)});
  ASSERT_FALSE(logged.empty());
  const RecordingResult result =
      DissectRecording(FragData(param.recording), {FragData(param.typeFile)});

  // The n-th sample a writer wrote has sequence number n.
  std::map<uint64_t, int> deliveries;
  for (const Json& sample : result.userSamples) {
    const Json& metadata = sample.at("SampleMetaData");
    const auto sequence =
        metadata.at("DDSSampleInfo").at("publication_sequence_number").get<uint64_t>();
    SCOPED_TRACE("#" + std::to_string(sequence));
    ASSERT_GE(sequence, 1u);
    ASSERT_LE(sequence, logged.size());
    const LoggedSample& expected = logged[sequence - 1];
    EXPECT_EQ(metadata.at("CommonMetaData").at("topic_name"), expected.topic);
    EXPECT_EQ(AsLogged(sample.at("SampleData"), param.keyedSeq).dump(), expected.value.dump());
    ++deliveries[sequence];
  }
  for (uint64_t sequence = 1; sequence <= logged.size(); ++sequence) {
    EXPECT_EQ(deliveries[sequence], 1) << "sample #" << sequence;
  }
  const EngineStatistics& statistics = result.statistics;
  EXPECT_EQ(statistics.userSamplesDelivered, logged.size());
  EXPECT_EQ(statistics.droppedIncompleteFragments, 0u);
  EXPECT_EQ(statistics.droppedMalformedInput, 0u);
  EXPECT_GT(statistics.subMessagesByKind.at("RTPS_DATA_FRAG"), 0u);
  uint64_t largest = 0;
  for (const LoggedSample& line : logged) {
    const Json& value = line.value;
    largest = std::max<uint64_t>(largest, param.keyedSeq ? value.at("baggage_length").get<uint64_t>()
                                                         : value.at("text").get<std::string>().size());
  }
  EXPECT_GE(largest, param.largest);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, FragRecordingTest,
    ::testing::Values(
        FragRecording{"cyclone_lo.pcap", "cyclone_lo.jsonl", "../passive/keyedseq.xml", true, 199'999},
        FragRecording{"cyclone_mtu1500.pcap", "cyclone_mtu1500.jsonl", "../passive/keyedseq.xml",
                      true, 199'999},
        FragRecording{"cyclone_dumpcap.pcapng", "cyclone_dumpcap.jsonl", "../passive/keyedseq.xml",
                      true, 20'000},
        FragRecording{"fastdds_100k.pcap", "fastdds_100k.jsonl", "fast_sample_100k.xml", false,
                      100'000}),
    [](const ::testing::TestParamInfo<FragRecording>& info) {
      std::string name = info.param.recording;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

// The Fast DDS recording with the frame of sample #2's first fragment removed (editcap, which
// comes with tshark): that sample can never complete, so once the recording has been read it is
// given up and counted, and every other sample still arrives.
TEST(FragRecordingGap, SampleMissingAFragmentIsCountedWhenTheRecordingEnds) {
  const std::vector<LoggedSample> logged = ReadPeerLogs({FragData("fastdds_100k.jsonl")});
  ASSERT_GT(logged.size(), 2u);
  const std::string gapped =
      (std::filesystem::temp_directory_path() / "veltrane_frag_gap_fastdds_100k.pcap").string();
  // Frame 45 carries the first fragment of the writer's sequence number 2 (tshark's decode).
  const std::string command = "editcap " + FragData("fastdds_100k.pcap") + " " + gapped + " 45";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const RecordingResult result = DissectRecording(gapped, {FragData("fast_sample_100k.xml")});
  std::filesystem::remove(gapped);
  std::map<uint64_t, int> deliveries;
  for (const Json& sample : result.userSamples) {
    ++deliveries[sample.at("SampleMetaData")
                     .at("DDSSampleInfo")
                     .at("publication_sequence_number")
                     .get<uint64_t>()];
  }
  EXPECT_EQ(deliveries.count(2), 0u);
  for (uint64_t sequence = 1; sequence <= logged.size(); ++sequence) {
    if (sequence == 2) continue;
    EXPECT_EQ(deliveries[sequence], 1) << "sample #" << sequence;
  }
  EXPECT_EQ(result.statistics.userSamplesDelivered, logged.size() - 1);
  EXPECT_EQ(result.statistics.droppedIncompleteFragments, 1u);
  EXPECT_EQ(result.statistics.droppedMalformedInput, 0u);
}

}  // namespace
}  // namespace Quorvel::e2e
