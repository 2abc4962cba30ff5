// The passive engine's operations as a caller meets them: the facade's checks of a recording's
// path and of a hand-added writer's GUID, waiting for a recording whatever the pool size,
// delivery one sample at a time, and live capture of a ddsperf peer started meanwhile.

#include "passive/support/EngineHarness.h"

#include "engine/support/Thrown.h"
#include "passive/PassiveEngineDB.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"

#include <quorvel/Veltrane.h>

#include <boost/log/core.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Quorvel::passive {
namespace {

using namespace testing;
using Quorvel::testing::LogCapture;
using Quorvel::Testing::Thrown;

struct RecordingFacade {
  RecordingFacade() {
    EngineConfiguration configuration;
    configuration.operationMode = EngineOperationMode::RECORD_DISSECTION;
    configuration.ddsConfigurationFilesPath = {kPassiveDataDir + "keyedseq.xml"};
    configuration.jsonOutput = true;
    veltrane.Init(configuration);
    veltrane.Run();
  }
  // The facade's log start filters the process-wide log core at its verbosity; later tests of
  // this executable count debug lines, so the filter goes with the facade.
  ~RecordingFacade() {
    veltrane.Shutdown();
    boost::log::core::get()->reset_filter();
  }
  Veltrane veltrane;
};

TEST(PassiveOperations, RecordingPathsAreCheckedBeforeAnythingStarts) {
  const auto folder = std::filesystem::temp_directory_path() / "veltrane_passive_tests";
  const std::string directory = (folder / "folder.pcap").string();
  std::filesystem::create_directories(directory);
  const std::string text = (folder / "notes.txt").string();
  const std::string upper = (folder / "upper.PCAP").string();
  for (const std::string& path : {text, upper}) std::ofstream(path) << "x";
  const std::string missing = (folder / "missing.pcap").string();
  const std::string prefix = "PassiveEngine::DissectRecordingFile Error : ";
  RecordingFacade facade;
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {missing, missing + " doesn't exist."},
      {directory, directory + " is not a file."},
      {text, text + " is not a pcap file."},
      {upper, upper + " is not a pcap file."},
  };
  for (const auto& [path, message] : cases) {
    LogCapture log;
    EXPECT_EQ(Thrown<std::runtime_error>([&] { facade.veltrane.DissectRecordingFile(path, true); }),
              prefix + message);
    EXPECT_EQ(log.Count(prefix + message), 1u) << path;
  }
}

TEST(PassiveOperations, HandAddedWriterGuidMustBeHexadecimal) {
  RecordingFacade facade;
  const std::string prefix = "Error adding Writer discovery data. Error = ";
  for (const std::string guid : {"0102030405060708090a0b0c0000010g", "0102", "0x01020304050607"}) {
    EXPECT_EQ(Thrown<std::runtime_error>(
                  [&] { facade.veltrane.AddWriterDiscoveryData(guid, "T", "KeyedSeq"); }),
              prefix + "Invalid input string")
        << guid;
  }
  EXPECT_EQ(Thrown<std::runtime_error>([&] {
              facade.veltrane.AddWriterDiscoveryData("0102030405060708090A0B0C00000102", "T",
                                                     "Unknown");
            }),
            prefix +
                "Cannot find minimal required information (TopicName / TypeName / EntityID) in "
                "Data(w) message. Ignoring entity.");
  facade.veltrane.AddWriterDiscoveryData("0x0102030405060708090A0B0C00000102", "T", "KeyedSeq");
  const auto writers = facade.veltrane.GetDiscoveredWritersInfo();
  ASSERT_EQ(writers.size(), 1u);
  EXPECT_EQ(writers[0].guid, "0x0102030405060708090a0b0c00000102");
}

// Whatever the pool size, the wait returns with every sample accounted for, and the listener
// is never entered twice at once.
class PoolSize : public ::testing::TestWithParam<uint64_t> {};

TEST_P(PoolSize, RecordingWaitReturnsWithEverySampleAccountedFor) {
  HarnessOptions options;
  options.threads = GetParam();
  EngineHarness harness(options);
  harness.engine->DissectRecordingFile(kPassiveDataDir + "ddsperf_lo.pcap", true);
  EXPECT_TRUE(harness.engine->IsIdle());
  const EngineStatistics statistics = harness.engine->Statistics();
  // ddsperf_lo holds 242 DATA (tshark), each delivered or dropped once.
  EXPECT_EQ(statistics.userSamplesDelivered + statistics.discoverySamplesDelivered +
                statistics.droppedNoMatchingWriter + statistics.droppedNoData +
                statistics.droppedUnknownType + statistics.droppedNotDissected,
            242u);
  EXPECT_EQ(harness.listener.Samples().size(),
            statistics.userSamplesDelivered + statistics.discoverySamplesDelivered);
  EXPECT_FALSE(harness.listener.Overlapped());
  // Messages of a recording are routed in file order whatever the pool size.
  EXPECT_EQ(statistics.userSamplesDelivered, 199u);
}

INSTANTIATE_TEST_SUITE_P(Threads, PoolSize, ::testing::Values(1, 2, 4, 8));

TEST(PassiveOperations, TwoRecordingsAtOnceAreBothWaitedFor) {
  HarnessOptions options;
  options.threads = 3;
  EngineHarness harness(options);
  std::thread other([&] {
    harness.engine->DissectRecordingFile(kPassiveDataDir + "ddsperf_any_sll1.pcap", true);
  });
  harness.engine->DissectRecordingFile(kPassiveDataDir + "ddsperf_lo.pcap", true);
  other.join();
  EXPECT_TRUE(harness.engine->IsIdle());
  EXPECT_FALSE(harness.listener.Overlapped());
  const EngineStatistics statistics = harness.engine->Statistics();
  // ddsperf_lo has 776 sub-messages over 242 DATA; ddsperf_any_sll1 has 135 DATA.
  EXPECT_EQ(statistics.userSamplesDelivered + statistics.discoverySamplesDelivered +
                statistics.droppedNoMatchingWriter + statistics.droppedNoData +
                statistics.droppedUnknownType + statistics.droppedNotDissected,
            242u + 135u);
}

TEST(PassiveOperations, LiveCaptureOnLoopbackDeliversAPeerStartedMeanwhile) {
  HarnessOptions options;
  options.mode = EngineOperationMode::PASSIVE_DYNAMIC_MONITORING;
  options.threads = 2;
  options.interfaceName = "lo";
  EngineHarness harness(options);
  harness.engine->RunNICMonitoring();
  const std::string output =
      (std::filesystem::temp_directory_path() / "veltrane_passive_live_").string();
  {
    Quorvel::testing::ChildProcess subscriber({"ddsperf", "-i", "183", "-D", "3", "sub"},
                                              output + "sub.txt");
    Quorvel::testing::ChildProcess publisher(
        {"ddsperf", "-i", "183", "-D", "3", "pub", "50", "size", "16"}, output + "pub.txt");
    publisher.Wait();
    subscriber.Wait();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!harness.engine->IsIdle() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  size_t dataSamples = 0;
  size_t withDomain = 0;
  // Other tests' peers may run ddsperf on loopback meanwhile, on domains of their own: only
  // datagrams to this domain's ports (7400 + 250 * 183 on) are the publisher's.
  const auto toThisDomain = [](const auto& fields) {
    const auto port = fields.find("SampleMetaData.PassiveMetaData.UDPHeader.dst_port");
    if (port == fields.end()) return false;
    const int number = std::stoi(port->second);
    return number >= 53150 && number < 53400;
  };
  for (const auto& sample : harness.listener.UserSamples()) {
    const auto topic = sample.fields.find("SampleMetaData.CommonMetaData.topic_name");
    if (topic == sample.fields.end() || topic->second != "DDSPerfRDataKS") continue;
    if (!toThisDomain(sample.fields)) continue;
    ++dataSamples;
    // Live traffic does not wait for discovery: a sample dissected before its participant's
    // announcement has no domain yet; every domain shown must be the publisher's.
    const auto domain = sample.fields.find("SampleMetaData.CommonMetaData.domain_id");
    if (domain != sample.fields.end()) {
      ++withDomain;
      EXPECT_EQ(domain->second, "183");
    }
    EXPECT_EQ(sample.fields.count("SampleData.keyval"), 1u) << sample.json;
  }
  EXPECT_GT(dataSamples, 20u);
  EXPECT_GT(withDomain, 20u);
  EXPECT_GT(harness.engine->Statistics().framesRead, dataSamples);
}

}  // namespace
}  // namespace Quorvel::passive
