// The active subcommands against the harbor example's Cyclone DDS peer (examples/peer): the
// tool reads what Cyclone writes (monitor-readers, monitor), Cyclone reads what the tool
// publishes (publish), and Ctrl-C ends a run cleanly with its output complete. Each test has a
// domain of its own: 167 to 169.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Quorvel::CliTest {
namespace {

using namespace std::chrono_literals;

std::string Peer() { return BinaryPath("examples/peer/harbor_peer"); }

std::vector<std::string> HarborXml() {
  return {"-x", SourcePath("examples/types"), "-x", SourcePath("examples/qos"), "-x", SourcePath("examples/participants")};
}

std::vector<std::string> Args(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// harbor_peer runs through the same helper as the tool; its own output lands in `out`.
class PeerRun {
 public:
  explicit PeerRun(const std::vector<std::string>& arguments) {
    std::string command = Peer();
    for (const std::string& a : arguments) command += " " + a;
    thread = std::thread([this, command] {
      FILE* pipe = popen(command.c_str(), "r");
      char buffer[4096];
      for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
      status = WEXITSTATUS(pclose(pipe));
    });
  }
  ~PeerRun() { Join(); }
  void Join() {
    if (thread.joinable()) thread.join();
  }
  std::string out;
  int status = -1;

 private:
  std::thread thread;
};

void RequirePeer() {
  if (!std::filesystem::exists(Peer())) GTEST_SKIP() << "harbor_peer not built (Cyclone DDS missing)";
}

// Two runs at once on one publication: one stops at its sample limit, the other runs until
// SIGINT and must still have written and counted every sample it received.
TEST(CliMonitorReaders, SampleLimitAndInterruptBothEndCleanly) {
  RequirePeer();
  const std::vector<std::string> common = Args({"monitor-readers", "-d", "167", "-p", "HarborApps::Monitor", "-v", "debug"}, HarborXml());
  CliProcess limited(Args(common, {"-n", "7", "--duration", "60"}));
  CliProcess interrupted(common);
  std::this_thread::sleep_for(3s);  // participants up before the peer looks for readers
  {
    PeerRun peer({"publish", "167", "5", "100"});
    peer.Join();
    ASSERT_EQ(peer.status, 0) << peer.out;
  }
  std::this_thread::sleep_for(1s);
  interrupted.Signal(SIGINT);
  const CliResult rest = interrupted.Wait(30s);
  const CliResult first = limited.Wait(30s);

  VELTRANE_SKIP_IF_ENGINE_LACKS(first);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Lines(first.out).size(), 7u);
  EXPECT_NE(first.err.find("sample limit reached"), std::string::npos) << first.err;

  ASSERT_EQ(rest.status, 0) << rest.err;
  EXPECT_NE(rest.err.find("stopped"), std::string::npos) << rest.err;
  EXPECT_NE(rest.err.find("interrupted (SIGINT)"), std::string::npos) << rest.err;
  std::map<std::string, int> byTopic;
  for (const std::string& line : Lines(rest.out)) {
    const auto document = nlohmann::json::parse(line);  // every line whole: the output was flushed
    ++byTopic[document.at("SampleMetaData").at("CommonMetaData").at("topic_name")];
  }
  // Berth states and alarms are reliable; positions are best effort, but nothing is lost on lo.
  EXPECT_EQ(byTopic["BerthStatus"], 5);
  EXPECT_EQ(byTopic["PortAlarms"], 5);
  EXPECT_EQ(byTopic["VesselPositions"], 15);
  EXPECT_EQ(SummaryFigure(rest.err, "samples written"), static_cast<long long>(Lines(rest.out).size()));
  EXPECT_EQ(SummaryFigure(rest.err, "BerthStatus"), 5);
}

TEST(CliPublish, CycloneReceivesJsonJsonLinesAndAssignments) {
  RequirePeer();
  PeerRun peer({"subscribe", "168", "4", "40"});
  const std::string jsonl = BinaryPath("tests/cli/berths.jsonl");
  std::ofstream(jsonl) << R"({"SampleData":{"berth":8,"occupied":0,"vessel_mmsi":0,"minutes_to_departure":-1}})" << "\n\n"
                       << R"({"SampleData":{"berth":9,"occupied":1,"vessel_mmsi":244660222,"minutes_to_departure":300}})" << "\n";
  const CliResult result = RunCli(Args({"publish", "-d", "168", "-p", "HarborApps::Control", "-w", "BerthWriter", "--delay", "3",
                                        "--json", R"({"SampleData":{"berth":7,"occupied":1,"vessel_mmsi":244660111,"minutes_to_departure":45}})",
                                        "--jsonl", jsonl, "--set", "berth=10", "--set", "SampleData.occupied=1",
                                        "--set", "vessel_mmsi=244660000", "--set", "minutes_to_departure=5"},
                                       HarborXml()));
  peer.Join();
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("published 4 of 4 samples through BerthWriter"), std::string::npos) << result.err;
  for (const char* line : {"BerthStatus berth=7 occupied=1 vessel_mmsi=244660111 minutes_to_departure=45\n",
                           "BerthStatus berth=8 occupied=0 vessel_mmsi=0 minutes_to_departure=-1\n",
                           "BerthStatus berth=9 occupied=1 vessel_mmsi=244660222 minutes_to_departure=300\n",
                           "BerthStatus berth=10 occupied=1 vessel_mmsi=244660000 minutes_to_departure=5\n"}) {
    EXPECT_NE(peer.out.find(line), std::string::npos) << line << peer.out;
  }
  EXPECT_EQ(peer.status, 0) << peer.out;
}

TEST(CliPublish, BadSamplesFailAloneAndTheRunReportsThem) {
  RequirePeer();
  PeerRun peer({"subscribe", "168", "1", "25"});
  const CliResult result = RunCli(Args({"publish", "-d", "168", "-p", "HarborApps::Control", "-w", "AlarmWriter", "--delay", "3",
                                        "--json", "{not json",
                                        "--json", R"({"SampleData":{"alarm_id":5,"kind":2,"detail":{"discriminator":2,"text":"Fog"},"raised_at_ms":7}})",
                                        "--json", R"({"SampleData":{"alarm_id":6,"kind":1,"detail":{"discriminator":9}}})"},
                                       HarborXml()));
  peer.Join();
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("veltrane: error: --json 1: Erroneous JSON string provided"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("veltrane: error: --json 3: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Invalid discriminator value '9'"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("published 1 of 3 samples"), std::string::npos) << result.err;
  EXPECT_NE(peer.out.find("PortAlarms alarm_id=5 kind=2 text=Fog raised_at_ms=7\n"), std::string::npos) << peer.out;
}

TEST(CliPublish, UnknownWriterIsARuntimeFailure) {
  const CliResult result = RunCli(Args({"publish", "-d", "168", "-p", "HarborApps::Control", "-w", "FerryWriter",
                                        "--delay", "0", "--set", "berth=1"},
                                       HarborXml()));
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("FerryWriter"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("published 0 of 1 samples"), std::string::npos) << result.err;
}

TEST(CliMonitor, DiscoversTheHarborTopicsAndReadsThem) {
  RequirePeer();
  CliProcess monitor(Args({"monitor", "-d", "169", "-F", "kv", "-t", "BerthStatus", "-n", "4", "--duration", "60",
                           "-x", SourcePath("examples/types")},
                          {}));
  std::this_thread::sleep_for(3s);
  PeerRun peer({"publish", "169", "6", "200"});
  peer.Join();
  const CliResult result = monitor.Wait(60s);
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("sample limit reached"), std::string::npos) << result.err;
  std::size_t samples = 0;
  for (const std::string& line : Lines(result.out)) {
    if (line.rfind("SampleMetaData.CommonMetaData.topic_name=", 0) == 0) {
      ++samples;
      EXPECT_EQ(line, "SampleMetaData.CommonMetaData.topic_name=BerthStatus");
    }
  }
  EXPECT_EQ(samples, 4u) << result.out;
}

}  // namespace
}  // namespace Quorvel::CliTest
