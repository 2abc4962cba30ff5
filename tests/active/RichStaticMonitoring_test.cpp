// Static monitoring against Cyclone DDS: rich_peer publishes the rich types it can write as
// XCDR1 (FinalAll, Extras), reliably, then disposes one instance and unregisters another on
// each topic. Every sample must reach the listener once, in the writer's order, with exactly the
// values the peer logged, and the sample information of what happened to the instance: alive
// samples with valid data, the dispose and the unregister with valid_data false and the
// instance's key members only. Domain 174 is this test's own.
//
// Cyclone's XCDR2 writers cannot be read here: Fast DDS 2.9 never announces a reader's data
// representation (PID_DATA_REPRESENTATION), so Cyclone takes every Fast DDS reader for XCDR1
// only and its XCDR2 writers never match.

#include "active/ActiveEngine.h"
#include "active/support/MonitorEngine.h"
#include "active/support/PeerValueMatch.h"
#include "engine/core/EngineConfig.h"
#include "support/ChildProcess.h"

#include <quorvel/EngineConfiguration.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace Quorvel {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;
using testing::Field;
using testing::Fields;

constexpr std::int64_t kDomain = 174;

// Key members as tests/data/golden/FORMAT.md lists them (nested ones by their path).
const std::map<std::string, std::vector<std::vector<std::string>>>& KeyPaths() {
  static const std::map<std::string, std::vector<std::vector<std::string>>> keys{
      {"Rich::FinalAll", {{"id"}, {"zone", "zone_id"}}},
      {"Rich::Extras", {{"slot"}, {"lane"}, {"serial"}}},
      {"Rich::AppendableRecord", {{"record_id"}, {"shard"}}},
      {"Rich::MutableRecord", {{"station"}, {"region"}}},
  };
  return keys;
}

Json KeyOnly(const std::string& type, const Json& value) {
  Json keys = Json::object();
  for (const std::vector<std::string>& path : KeyPaths().at(type)) {
    const Json* from = &value;
    Json* to = &keys;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      from = &from->at(path[i]);
      to = &(*to)[path[i]];
    }
    (*to)[path.back()] = from->at(path.back());
  }
  return keys;
}

// Fast DDS 2.9 and a Cyclone dispose or unregister (a DATA with a serialized key, no inline key
// hash): a serialized key of up to 16 bytes (encapsulation header included) becomes the
// sample's instance handle as it is, from which the engine decodes the key members; a longer
// one is dropped, and the sample lands on one "unknown" instance without key members. The
// handle made of the raw key names no instance Fast DDS knows, so it drops an unregister of it
// (a dispose still arrives), and a dispose leaves the unknown instance disposed, so the
// unregister that follows is reported as disposed too.
bool FitsHandle(const std::string& type) { return type == "Rich::FinalAll"; }

std::vector<Json> ReadLines(const std::filesystem::path& file) {
  std::vector<Json> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(Json::parse(line));
  }
  return lines;
}

struct Delivered {
  Fields fields;
  Json sampleData;
};

TEST(ActiveRichStaticMonitoring, EverySampleDisposeAndUnregisterOfCycloneArrivesExactly) {
  testing::RunningEngine running(testing::MonitorConfig(EngineOperationMode::ACTIVE_STATIC_MONITORING,
                                                        {"types/rich/RichTypes.xml", "active/rich_monitor.xml"}, kDomain));
  ActiveEngine& engine = running.engine;
  testing::CollectingListener& listener = running.listener;

  const std::string peer = std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/rich_peer";
  const std::string out = std::string(VELTRANE_BINARY_DIR) + "/active_rich174";
  testing::ChildProcess xcdr1({peer, "publish", std::to_string(kDomain), "xcdr1", "ActiveRich", "2",
                               out + "_xcdr1.jsonl", "end-instances"},
                              out + "_xcdr1.log");
  ASSERT_EQ(xcdr1.Wait(), 0) << xcdr1.Output();

  std::vector<Json> written;
  for (Json& line : ReadLines(out + "_xcdr1.jsonl")) {
    // Fast DDS drops the unregister of an instance its key-only handle does not name.
    if (line.value("action", "") == "unregister" && FitsHandle(line.at("type"))) continue;
    written.push_back(std::move(line));
  }
  ASSERT_GT(written.size(), 10u);
  listener.WaitForUserData([&](const std::vector<Fields>& maps) { return maps.size() >= written.size(); }, 10s);
  engine.Terminate();

  const std::vector<Fields> maps = listener.UserMaps();
  const std::vector<std::string> documents = listener.UserJson();
  EXPECT_EQ(maps.size(), written.size()) << "samples lost or duplicated";
  EXPECT_EQ(documents.size(), written.size());
  // By topic, in the writer's order (two workers may hand over batches out of order).
  std::map<std::string, std::map<std::int64_t, Delivered>> byTopic;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const Json document = Json::parse(documents[i]);
    const Fields& fields = maps[i];
    // The JSON and the map of one sample come from the same delivery: match them by topic and
    // sequence number.
    const std::string topic = Field(fields, "SampleMetaData.CommonMetaData.topic_name");
    const std::int64_t seq = std::stoll(Field(fields, "SampleMetaData.DDSSampleInfo.publication_sequence_number"));
    ASSERT_TRUE(byTopic[topic].emplace(seq, Delivered{fields, {}}).second) << topic << " #" << seq << " twice";
    const std::string jsonTopic = document.at("SampleMetaData").at("CommonMetaData").at("topic_name");
    const std::int64_t jsonSeq = document.at("SampleMetaData").at("DDSSampleInfo").at("publication_sequence_number");
    byTopic[jsonTopic][jsonSeq].sampleData = document.contains("SampleData") ? document.at("SampleData") : Json::object();
  }
  std::map<std::string, std::size_t> nextOfTopic;
  std::size_t disposes = 0;
  std::size_t unregisters = 0;
  for (const Json& line : written) {
    const std::string topic = line.at("topic");
    auto& delivered = byTopic[topic];
    ASSERT_LT(nextOfTopic[topic], delivered.size()) << topic;
    auto at = std::next(delivered.begin(), static_cast<long>(nextOfTopic[topic]++));
    const Delivered& sample = at->second;
    SCOPED_TRACE(topic + " #" + std::to_string(at->first) + " " + line.at("sample").get<std::string>());
    EXPECT_EQ(Field(sample.fields, "SampleMetaData.CommonMetaData.domain_id"), std::to_string(kDomain));
    const std::string action = line.value("action", "");
    if (action.empty()) {
      EXPECT_EQ(Field(sample.fields, "SampleMetaData.DDSSampleInfo.valid_data"), "1");
      EXPECT_EQ(Field(sample.fields, "SampleMetaData.DDSSampleInfo.instance_state"), "(1) - ALIVE_INSTANCE");
      EXPECT_TRUE(testing::MatchesPeerValue(line.at("value"), sample.sampleData));
      continue;
    }
    EXPECT_EQ(Field(sample.fields, "SampleMetaData.DDSSampleInfo.valid_data"), "0");
    EXPECT_EQ(Field(sample.fields, "SampleMetaData.DDSSampleInfo.instance_state"), "(2) - NOT_ALIVE_DISPOSED");
    if (action == "dispose") ++disposes;
    if (action == "unregister") ++unregisters;
    if (FitsHandle(line.at("type"))) {
      EXPECT_TRUE(testing::MatchesPeerValue(KeyOnly(line.at("type"), line.at("value")), sample.sampleData));
    } else {
      // The key is lost with the payload Fast DDS drops: metadata only.
      EXPECT_TRUE(sample.sampleData.empty()) << sample.sampleData.dump();
    }
  }
  EXPECT_EQ(disposes, 2u);
  EXPECT_EQ(unregisters, 1u);
}

}  // namespace
}  // namespace Quorvel
