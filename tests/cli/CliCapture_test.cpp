// veltrane capture on the loopback interface while the harbor example's Cyclone DDS peers talk
// on domain 166: the passive engine discovers their writers from the wire and decodes the data.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <thread>

namespace Quorvel::CliTest {
namespace {

using namespace std::chrono_literals;

TEST(CliCapture, DecodesLiveHarborTrafficOnLoopback) {
  const std::string peer = BinaryPath("examples/peer/harbor_peer");
  if (!std::filesystem::exists(peer)) GTEST_SKIP() << "harbor_peer not built (Cyclone DDS missing)";
  CliProcess capture({"capture", "-i", "lo", "-x", SourcePath("examples/types"), "-t", "PortAlarms", "-n", "6",
                      "--duration", "60"});
  std::this_thread::sleep_for(2s);
  // A subscriber, so that the publisher's data go on the wire at all.
  const std::string peers = peer + " subscribe 166 40 30 > /dev/null & sleep 0.5; " + peer + " publish 166 8 100 > /dev/null; wait";
  ASSERT_EQ(std::system(peers.c_str()), 0);
  const CliResult result = capture.Wait(60s);
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 6u) << result.err;
  for (const std::string& line : lines) {
    const auto document = nlohmann::json::parse(line);
    EXPECT_EQ(document.at("SampleMetaData").at("CommonMetaData").at("topic_name"), "PortAlarms");
    const auto& ip = document.at("SampleMetaData").at("PassiveMetaData").at("IPHeader");
    EXPECT_EQ(ip.at("src_ip"), "127.0.0.1");
    const long long id = document.at("SampleData").at("alarm_id");
    EXPECT_EQ(document.at("SampleData").at("kind"), (id - 1) % 3);
  }
  EXPECT_GT(SummaryFigure(result.err, "frames read"), 0);
}

}  // namespace
}  // namespace Quorvel::CliTest
