// The active subcommands against Cyclone DDS: the tool reads what ddsperf writes
// (monitor-readers, monitor), the harbor example's Cyclone peer (examples/peer) reads what the
// tool publishes (publish), and Ctrl-C ends a run cleanly with its output complete. Each test
// has a domain of its own: 167 to 170.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace Quorvel::CliTest {
namespace {

using namespace std::chrono_literals;

std::string Peer() { return BinaryPath("examples/peer/harbor_peer"); }
std::string KeyedSeqMonitor() { return SourcePath("tests/data/active/keyedseq_monitor.xml"); }
constexpr const char* kCycloneLoopback =
    "<General><Interfaces><NetworkInterface name=\"lo\" multicast=\"true\"/></Interfaces></General>"
    "<Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>";

// ddsperf publishing KeyedSeq samples of size 0 for `seconds`; its exit status.
int DdsperfPublish(const std::string& domain, int seconds) {
  setenv("CYCLONEDDS_URI", kCycloneLoopback, 1);
  const std::string command = "ddsperf -i " + domain + " -D " + std::to_string(seconds) + " pub 100Hz size 0 > /dev/null";
  return std::system(command.c_str());
}

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
  const std::vector<std::string> common{"monitor-readers", "-x", KeyedSeqMonitor(), "-d", "167", "-p", "ActiveParticipants::Monitor"};
  CliProcess limited(Args(common, {"-n", "7", "--duration", "60"}));
  CliProcess interrupted(common);
  std::this_thread::sleep_for(2s);
  ASSERT_EQ(DdsperfPublish("167", 2), 0);
  std::this_thread::sleep_for(1s);
  interrupted.Signal(SIGINT);
  const CliResult rest = interrupted.Wait(30s);
  const CliResult first = limited.Wait(30s);

  VELTRANE_SKIP_IF_ENGINE_LACKS(first);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Lines(first.out).size(), 7u);
  EXPECT_NE(first.err.find("sample limit reached"), std::string::npos) << first.err;

  ASSERT_EQ(rest.status, 0) << rest.err;
  EXPECT_NE(rest.err.find("interrupted (SIGINT)"), std::string::npos) << rest.err;
  std::set<long long> seqs;
  for (const std::string& line : Lines(rest.out)) {
    const auto document = nlohmann::json::parse(line);  // every line whole: the output was flushed
    EXPECT_EQ(document.at("SampleMetaData").at("CommonMetaData").at("topic_name"), "DDSPerfRDataKS");
    seqs.insert(document.at("SampleData").at("seq").get<long long>());
  }
  ASSERT_GT(seqs.size(), 100u) << rest.err;
  EXPECT_EQ(static_cast<long long>(seqs.size()), *seqs.rbegin() - *seqs.begin() + 1) << "samples lost";
  EXPECT_EQ(SummaryFigure(rest.err, "samples written"), static_cast<long long>(Lines(rest.out).size()));
  EXPECT_EQ(SummaryFigure(rest.err, "DDSPerfRDataKS"), static_cast<long long>(seqs.size()));
}

// The harbor example end to end: the readers of its Monitor participant get every reliable
// sample that the Cyclone DDS peer publishes, with the peer's values.
TEST(CliMonitorReaders, ReadsTheHarborPeer) {
  RequirePeer();
  CliProcess monitor(Args({"monitor-readers", "-d", "170", "-p", "HarborApps::Monitor", "-F", "kv", "--duration", "10"},
                          HarborXml()));
  std::this_thread::sleep_for(3s);
  PeerRun peer({"publish", "170", "5", "100"});
  peer.Join();
  const CliResult result = monitor.Wait(60s);
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  // Positions are best effort with a history of one (examples/qos): some may be superseded.
  EXPECT_GT(SummaryFigure(result.err, "VesselPositions"), 0) << result.err;
  EXPECT_LE(SummaryFigure(result.err, "VesselPositions"), 15) << result.err;
  EXPECT_EQ(SummaryFigure(result.err, "BerthStatus"), 5);
  EXPECT_EQ(SummaryFigure(result.err, "PortAlarms"), 5);
  for (const char* line : {"SampleData.detail.text=Gusts of 35 kn expected from 16:00\n",
                           "SampleData.berth=3\n", "SampleData.minutes_to_departure=116\n"}) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line;
  }
}

// A run whose samples partly fail: each failure reported with its origin, the rest published.
void PublishBadSamplesAmongGoodOnes() {
  PeerRun peer({"subscribe", "168", "1", "25"});
  const CliResult result = RunCli(Args({"publish", "-d", "168", "-p", "HarborApps::Control", "-w", "BerthWriter", "--delay", "3",
                                        "--json", "{not json",
                                        "--json", R"({"SampleData":{"berth":11,"occupied":0,"vessel_mmsi":0,"minutes_to_departure":-1}})",
                                        "--json", R"({"SampleData":{"berth":"north"}})"},
                                       HarborXml()));
  peer.Join();
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("veltrane: error: --json 1: Erroneous JSON string provided"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("veltrane: error: --json 3: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Erroneous value 'north' provided for field"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("published 1 of 3 samples"), std::string::npos) << result.err;
  EXPECT_NE(peer.out.find("BerthStatus berth=11 occupied=0 vessel_mmsi=0 minutes_to_departure=-1\n"), std::string::npos) << peer.out;
}

TEST(CliPublish, CycloneReceivesJsonJsonLinesAssignmentsAndOnlyTheGoodSamples) {
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
  // On the same domain, so after the first run: the peers of both would hear either.
  PublishBadSamplesAmongGoodOnes();
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

TEST(CliMonitor, DiscoversDdsperfTopicsAndReadsThem) {
  CliProcess monitor({"monitor", "-x", KeyedSeqMonitor(), "-d", "169", "-F", "kv", "-t", "DDSPerfRData*", "-n", "4",
                      "--duration", "60"});
  std::this_thread::sleep_for(2s);
  ASSERT_EQ(DdsperfPublish("169", 3), 0);
  const CliResult result = monitor.Wait(60s);
  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("sample limit reached"), std::string::npos) << result.err;
  std::size_t samples = 0;
  for (const std::string& line : Lines(result.out)) {
    if (line.rfind("SampleMetaData.CommonMetaData.topic_name=", 0) == 0) {
      ++samples;
      EXPECT_EQ(line, "SampleMetaData.CommonMetaData.topic_name=DDSPerfRDataKS");
    }
  }
  EXPECT_EQ(samples, 4u) << result.out;
}

}  // namespace
}  // namespace Quorvel::CliTest
