// veltrane types: the harbor example's types listed and described, in every output format.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace Quorvel::CliTest {
namespace {

std::string Types() { return SourcePath("examples/types"); }

TEST(CliTypes, ListsEveryTypeOfTheTypeFiles) {
  const CliResult result = RunCli({"types", "-x", Types()});
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<std::pair<std::string, bool>> types;
  for (const std::string& line : Lines(result.out)) {
    const auto record = nlohmann::json::parse(line);
    types.emplace_back(record.at("type"), record.at("nested"));
    EXPECT_EQ(record.at("file"), SourcePath("examples/types/harbor.xml"));
  }
  const std::vector<std::pair<std::string, bool>> expected{{"Harbor::GeoPoint", true},
                                                           {"Harbor::VesselPosition", false},
                                                           {"Harbor::BerthStatus", false},
                                                           {"Harbor::AlarmDetail", true},
                                                           {"Harbor::PortAlarm", false}};
  EXPECT_EQ(types, expected);
}

TEST(CliTypes, DescribesMembersWithTheirAnnotations) {
  const CliResult result = RunCli({"types", "-x", Types(), "Harbor::VesselPosition", "Harbor::PortAlarm"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::map<std::string, nlohmann::json> members;
  std::vector<std::string> order;
  for (const std::string& line : Lines(result.out)) {
    const auto record = nlohmann::json::parse(line);
    const std::string key = record.at("type").get<std::string>() + "/" + record.at("member").get<std::string>();
    order.push_back(key);
    members[key] = record;
  }
  ASSERT_EQ(order.front(), "Harbor::VesselPosition/Harbor::VesselPosition");
  const auto& mmsi = members.at("Harbor::VesselPosition/mmsi");
  EXPECT_EQ(mmsi.at("kind"), "UINT_32");
  EXPECT_EQ(mmsi.at("key"), true);
  const auto& lat = members.at("Harbor::VesselPosition/position.lat");
  EXPECT_EQ(lat.at("kind"), "FLOAT_64");
  EXPECT_EQ(lat.at("min"), "-90");
  EXPECT_EQ(lat.at("max"), "90");
  EXPECT_EQ(lat.at("unit"), "deg");
  EXPECT_EQ(members.at("Harbor::VesselPosition/name").at("bound"), "32");
  EXPECT_EQ(members.at("Harbor::VesselPosition/recent_track").at("bound"), "4");
  EXPECT_EQ(members.at("Harbor::VesselPosition/status").at("values"), "UNDER_WAY=0|AT_ANCHOR=1|MOORED=2|AGROUND=3");
  EXPECT_EQ(members.at("Harbor::PortAlarm/detail.discriminator").at("values"),
            "other_mmsi(0)|excess_knots(1)|text(2)");
  EXPECT_EQ(members.at("Harbor::PortAlarm/raised_at_ms").at("unit"), "ms");
  // The PortAlarm rows follow all of VesselPosition's.
  EXPECT_EQ(order.back(), "Harbor::PortAlarm/raised_at_ms");
}

TEST(CliTypes, TableAndKeyValueCarryTheSameMembers) {
  const CliResult table = RunCli({"types", "-x", Types(), "-F", "table", "Harbor::BerthStatus"});
  ASSERT_EQ(table.status, 0) << table.err;
  const std::vector<std::string> rows = Lines(table.out);
  ASSERT_EQ(rows.size(), 6u) << table.out;  // header, the type, four members
  EXPECT_EQ(rows[0].rfind("MEMBER", 0), 0u);
  EXPECT_NE(rows[0].find("KIND"), std::string::npos);
  EXPECT_EQ(rows[2].rfind("berth ", 0), 0u);
  EXPECT_NE(rows[5].find("minutes_to_departure"), std::string::npos);
  EXPECT_NE(rows[5].find("-1"), std::string::npos);  // the default
  const std::size_t kindColumn = rows[0].find("KIND");
  EXPECT_EQ(rows[2].substr(kindColumn, 6), "INT_16");

  const CliResult kv = RunCli({"types", "-x", Types(), "-F", "kv", "Harbor::BerthStatus"});
  ASSERT_EQ(kv.status, 0) << kv.err;
  EXPECT_NE(kv.out.find("member=occupied\nkind=BOOLEAN\n"), std::string::npos) << kv.out;
  EXPECT_NE(kv.out.find("member=minutes_to_departure\nkind=INT_32\n"), std::string::npos);
}

TEST(CliTypes, WritesToAnOutputFile) {
  const std::string path = BinaryPath("tests/cli/types-list.jsonl");
  const CliResult result = RunCli({"types", "-x", Types(), "-o", path});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  std::ifstream file(path);
  std::string first;
  std::getline(file, first);
  EXPECT_EQ(nlohmann::json::parse(first).at("type"), "Harbor::GeoPoint");
}

}  // namespace
}  // namespace Quorvel::CliTest
