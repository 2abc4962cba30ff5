// veltrane dissect on recordings of real traffic: every sample of the harbor example decoded
// to the values its Cyclone DDS publisher wrote, output formats, sample limit, topic filter,
// and the summary's figures against tshark's count of the same recordings.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

namespace Quorvel::CliTest {
namespace {

std::string Types() { return SourcePath("examples/types"); }
std::string Harbor() { return SourcePath("examples/recordings/harbor.pcap"); }

std::string Command(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) text.append(buffer, n);
  return text;
}

// tshark's reading of a recording: frames, DATA sub-messages, and those of user writers
// (entity kind 0x02 or 0x03, DDSI-RTPS 2.5, 9.3.1.2).
struct TsharkCount {
  long long frames = 0;
  long long dataSubMessages = 0;
  long long userDataSubMessages = 0;
};

std::string ShowAttribute(const std::string& line) {
  const std::size_t at = line.find(" show=\"");
  if (at == std::string::npos) return {};
  const std::size_t from = at + 7;
  return line.substr(from, line.find('"', from) - from);
}

// Walks tshark's PDML line by line: a DATA sub-message's id comes before its writer entity id.
TsharkCount CountWithTshark(const std::string& pcap) {
  TsharkCount count;
  const std::string pdml = Command("tshark -r '" + pcap + "' -T pdml 2>/dev/null");
  bool inData = false;
  for (const std::string& line : Lines(pdml)) {
    if (line.find("name=\"frame.number\"") != std::string::npos) {
      ++count.frames;
    } else if (line.find("name=\"rtps.sm.id\"") != std::string::npos) {
      inData = ShowAttribute(line) == "0x15";
      if (inData) ++count.dataSubMessages;
    } else if (inData && line.find("name=\"rtps.sm.wrEntityId\"") != std::string::npos) {
      const std::string entity = ShowAttribute(line);
      const std::string kind = entity.size() == 10 ? entity.substr(8) : "";
      if (kind == "02" || kind == "03") ++count.userDataSubMessages;
      inData = false;
    }
  }
  return count;
}

std::vector<nlohmann::json> Documents(const std::string& out) {
  std::vector<nlohmann::json> documents;
  for (const std::string& line : Lines(out)) documents.push_back(nlohmann::json::parse(line));
  return documents;
}

std::string TopicOf(const nlohmann::json& document) {
  return document.at("SampleMetaData").at("CommonMetaData").at("topic_name");
}

// What harbor_peer wrote in round r (examples/peer/harbor_peer.c), checked sample by sample.
void ExpectHarborValues(const nlohmann::json& document) {
  const std::string topic = TopicOf(document);
  const auto& data = document.at("SampleData");
  const long long seq = document.at("SampleMetaData").at("DDSSampleInfo").at("publication_sequence_number");
  if (topic == "VesselPositions") {
    const long long round = (seq - 1) / 3;
    const long long vessel = (seq - 1) % 3;
    static const char* const names[] = {"Nordkap", "Alouette", "Marisol"};
    EXPECT_EQ(data.at("mmsi"), 244660000 + vessel * 111);
    EXPECT_EQ(data.at("name"), names[vessel]);
    EXPECT_DOUBLE_EQ(data.at("position").at("lat").get<double>(), 51.95 + 0.001 * round + 0.01 * vessel);
    EXPECT_DOUBLE_EQ(data.at("position").at("lon").get<double>(), 4.05 + 0.002 * round);
    EXPECT_FLOAT_EQ(data.at("speed_knots").get<float>(), static_cast<float>(8.5 + vessel + 0.25 * round));
    EXPECT_EQ(data.at("status"), vessel == 2 ? 2 : 0);
    EXPECT_EQ(data.at("recent_track").size(), static_cast<std::size_t>(std::min(round, 4LL)));
  } else if (topic == "BerthStatus") {
    const long long round = seq - 1;
    EXPECT_EQ(data.at("berth"), 1 + round % 3);
    EXPECT_EQ(data.at("occupied"), round % 2 == 0);
    EXPECT_EQ(data.at("minutes_to_departure"), round % 2 == 0 ? 120 - round : -1);
  } else {
    ASSERT_EQ(topic, "PortAlarms");
    const long long round = seq - 1;
    EXPECT_EQ(data.at("alarm_id"), round + 1);
    EXPECT_EQ(data.at("kind"), round % 3);
    EXPECT_EQ(data.at("detail").at("discriminator"), round % 3);
    const auto& detail = data.at("detail");
    switch (round % 3) {
      case 0: EXPECT_EQ(detail.at("other_mmsi"), 244660000 + ((round + 1) % 3) * 111); break;
      case 1: EXPECT_FLOAT_EQ(detail.at("excess_knots").get<float>(), 2.5f + round); break;
      default: EXPECT_EQ(detail.at("text"), "Gusts of 35 kn expected from 16:00");
    }
    EXPECT_EQ(data.at("raised_at_ms"), 1764950400000LL + round * 1000);
  }
}

TEST(CliDissect, DecodesEveryHarborSampleToThePublishedValues) {
  const CliResult result = RunCli({"dissect", "-x", Types(), Harbor()});
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  const auto documents = Documents(result.out);
  std::map<std::string, int> byTopic;
  for (const auto& document : documents) {
    ++byTopic[TopicOf(document)];
    ExpectHarborValues(document);
  }
  EXPECT_EQ(byTopic, (std::map<std::string, int>{{"BerthStatus", 20}, {"PortAlarms", 20}, {"VesselPositions", 60}}));
  EXPECT_EQ(SummaryFigure(result.err, "user samples delivered"), 100) << result.err;
  EXPECT_EQ(SummaryFigure(result.err, "VesselPositions"), 60);
  EXPECT_EQ(SummaryFigure(result.err, "samples written"), 100);
}

// Every sample the recording holds is either delivered or dropped for a named reason, and
// every frame is read: on the harbor recording and on ddsperf's.
TEST(CliDissect, StatisticsAddUpToWhatTheRecordingsHold) {
  const std::vector<std::pair<std::string, std::string>> recordings{
      {Harbor(), Types()},
      {SourcePath("tests/data/passive/ddsperf_lo.pcap"), SourcePath("tests/data/passive/keyedseq.xml")},
      {SourcePath("tests/data/passive/ddsperf_any.pcap"), SourcePath("tests/data/passive/keyedseq.xml")}};
  for (const auto& [pcap, types] : recordings) {
    SCOPED_TRACE(pcap);
    const CliResult result = RunCli({"dissect", "-x", types, "-o", "/dev/null", pcap});
    VELTRANE_SKIP_IF_ENGINE_LACKS(result);
    ASSERT_EQ(result.status, 0) << result.err;
    const TsharkCount expected = CountWithTshark(pcap);
    ASSERT_GT(expected.frames, 0);
    const long long delivered = SummaryFigure(result.err, "user samples delivered");
    const long long discovery = SummaryFigure(result.err, "discovery samples delivered");
    // Frames dropped before RTPS are no samples.
    const long long nonRtps = std::max(0LL, SummaryFigure(result.err, "non-RTPS"));
    const long long dropped = SummaryFigure(result.err, "dropped") - nonRtps;
    EXPECT_EQ(SummaryFigure(result.err, "RTPS messages parsed") + nonRtps, expected.frames) << result.err;
    EXPECT_EQ(SummaryFigure(result.err, "frames read"), expected.frames) << result.err;
    // Writers of topics whose type the type files lack are dropped, not delivered.
    EXPECT_GT(delivered, 0) << result.err;
    EXPECT_LE(delivered, expected.userDataSubMessages) << result.err;
    EXPECT_EQ(delivered + discovery + dropped, expected.dataSubMessages) << result.err;
  }
}

TEST(CliDissect, SampleLimitStopsTheOutput) {
  const CliResult result = RunCli({"dissect", "-x", Types(), "-n", "5", Harbor()});
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Lines(result.out).size(), 5u);
  EXPECT_EQ(SummaryFigure(result.err, "samples written"), 5);
  EXPECT_NE(result.err.find("sample limit reached"), std::string::npos) << result.err;
}

TEST(CliDissect, TopicGlobsSelectTopics) {
  const CliResult alarms = RunCli({"dissect", "-x", Types(), "-t", "Port*", Harbor()});
  VELTRANE_SKIP_IF_ENGINE_LACKS(alarms);
  ASSERT_EQ(alarms.status, 0) << alarms.err;
  const auto documents = Documents(alarms.out);
  EXPECT_EQ(documents.size(), 20u);
  for (const auto& document : documents) EXPECT_EQ(TopicOf(document), "PortAlarms");
  // The summary still counts what was delivered, written or not.
  EXPECT_EQ(SummaryFigure(alarms.err, "user samples delivered"), 100);
  EXPECT_EQ(SummaryFigure(alarms.err, "samples written"), 20);

  const CliResult two = RunCli({"dissect", "-x", Types(), "-t", "Berth*", "--topic", "?ortAlarms", "--no-summary", Harbor()});
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(Lines(two.out).size(), 40u);
  EXPECT_EQ(two.err, "");
}

TEST(CliDissect, KeyValueAndTableFormats) {
  const CliResult kv = RunCli({"dissect", "-x", Types(), "-F", "kv", "-n", "1", "--enums", "both", Harbor()});
  VELTRANE_SKIP_IF_ENGINE_LACKS(kv);
  ASSERT_EQ(kv.status, 0) << kv.err;
  for (const char* line : {"SampleData.mmsi=244660000\n", "SampleData.name=Nordkap\n", "SampleData.position.lat=51.950000000000003\n",
                           "SampleMetaData.CommonMetaData.topic_name=VesselPositions\n"}) {
    EXPECT_NE(kv.out.find(line), std::string::npos) << line << kv.out;
  }
  EXPECT_EQ(kv.out.substr(kv.out.size() - 2), "\n\n");

  const CliResult table = RunCli({"dissect", "-x", Types(), "-F", "table", "-t", "PortAlarms", "-n", "3", Harbor()});
  ASSERT_EQ(table.status, 0) << table.err;
  const std::vector<std::string> rows = Lines(table.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].rfind("#1  PortAlarms  ", 0), 0u) << table.out;
  EXPECT_NE(table.out.find("\n  alarm_id "), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("#3  PortAlarms"), std::string::npos);
  EXPECT_EQ(table.out.find("#4"), std::string::npos);
}

TEST(CliDissect, DiscoverySamplesOnRequest) {
  const CliResult result = RunCli({"dissect", "-x", Types(), "--discovery", Harbor()});
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  const long long discovery = SummaryFigure(result.err, "discovery samples delivered");
  EXPECT_GT(discovery, 0);
  EXPECT_EQ(static_cast<long long>(Lines(result.out).size()), 100 + discovery);
}

}  // namespace
}  // namespace Quorvel::CliTest
