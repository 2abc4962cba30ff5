// Recordings through the real capture stage and RTPS processor. Real traffic: ddsperf
// (Cyclone DDS) captured by tcpdump on `lo` (Ethernet), on `any` (Linux cooked v1 and v2) and
// on the MTU-1500 loopback of a network namespace, where 4 KB samples arrive as IP fragments;
// the messages, sub-messages by kind, writer GUIDs and sequence numbers must agree with
// tshark's decode of the same files (scripts/capture-ddsperf.sh makes both). The other link
// types are PacketStages.EveryLinkTypeReachesTheSameRtpsMessage.

#include "support/FieldRows.h"
#include "support/LogCapture.h"
#include "passive/HexText.h"
#include "passive/PassiveEthernetPacketsProcessor.h"
#include "passive/RTPSSubMessageKind.h"
#include "passive/support/EngineHarness.h"
#include "passive/support/RtpsFixture.h"

#include <boost/asio/thread_pool.hpp>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using Quorvel::testing::LogCapture;

// One sub-message as tshark decoded it.
struct Reference {
  int frame;
  int id;
  std::string prefix;
  std::string writer;  // DATA only
  std::string sequence;
};

std::vector<Reference> ReadReference(const std::string& path) {
  std::vector<Reference> rows;
  for (const auto& fields : Quorvel::testing::ReadFieldRows(path, ';', 6)) {
    rows.push_back({std::stoi(fields[0]), std::stoi(fields[2], nullptr, 16), fields[3], fields[4],
                    fields[5]});
  }
  return rows;
}

// The capture stage feeding the RTPS processor through the real queue on one pool thread, so
// routing happens in capture order.
struct Pipeline {
  Pipeline() {
    fixture.targets->acceptEveryWriter = true;
    queue = std::make_shared<PassiveRTPSMessageProcessor::RTPSMessageQueue>(
        pool, [this] { fixture.processor->Operation(); });
    fixture.processor->Init(queue);
  }
  ~Pipeline() { pool->join(); }

  void Read(const std::string& path) {
    stage.Init(path, queue, SourceType::PCAP_FILE);
    stage.Operation();
    EXPECT_TRUE(stage.IsFinished());
    EXPECT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(60)));
  }

  std::shared_ptr<boost::asio::thread_pool> pool = std::make_shared<boost::asio::thread_pool>(1);
  testing::RtpsFixture fixture;
  std::shared_ptr<PassiveRTPSMessageProcessor::RTPSMessageQueue> queue;
  PassiveEthernetPacketsProcessor stage;
};

std::string Routed(const RTPSMessageHeader& message, const EntityId& writer, uint64_t sequence) {
  return message.GuidPrefixText() + " " + writer.Text() + " " + std::to_string(sequence);
}

class DdsperfRecording : public ::testing::TestWithParam<const char*> {};

TEST_P(DdsperfRecording, AgreesWithTsharkOnMessagesSubMessagesWritersAndSequenceNumbers) {
  const std::string pcap = testing::kPassiveDataDir + GetParam() + ".pcap";
  const auto reference = ReadReference(testing::kPassiveDataDir + GetParam() + ".tshark.txt");
  ASSERT_GT(reference.size(), 100u);

  LogCapture log;
  Pipeline pipeline;
  pipeline.Read(pcap);

  std::set<int> frames;
  std::map<int, size_t> kinds;
  std::vector<std::string> discovery, userData;
  size_t otherData = 0;
  for (const Reference& row : reference) {
    frames.insert(row.frame);
    ++kinds[row.id];
    if (row.id != 0x15) continue;
    const std::string routed = row.prefix + " " + row.writer + " " + row.sequence;
    const uint8_t kind = static_cast<uint8_t>(std::stoul(row.writer, nullptr, 16));
    if (row.writer == "000100c2" || row.writer == "000003c2" || row.writer == "000004c2") {
      discovery.push_back(routed);
    } else if (kind == 0x02 || kind == 0x03) {
      userData.push_back(routed);
    } else {
      ++otherData;
    }
  }
  EXPECT_EQ(pipeline.stage.MessagesEnqueued(), frames.size());
  EXPECT_EQ(log.Count("Processing a UDP RTPS Message from "), frames.size());

  const testing::RecordingTargets& targets = *pipeline.fixture.targets;
  std::vector<std::string> routedDiscovery, routedUserData;
  std::multiset<std::string> expectedDiscovery(discovery.begin(), discovery.end());
  for (const auto* list : {&targets.participants, &targets.endpoints}) {
    for (const auto& data : *list) {
      routedDiscovery.push_back(
          Routed(data->messageHeader, data->header.writerId, data->header.writerSN.value));
    }
  }
  EXPECT_EQ(std::multiset<std::string>(routedDiscovery.begin(), routedDiscovery.end()),
            expectedDiscovery);
  for (const auto& sample : targets.userData) {
    routedUserData.push_back(
        Routed(sample->messageHeader, sample->header.writerId, sample->header.writerSN.value));
  }
  EXPECT_EQ(routedUserData, userData);  // in capture order, none lost
  EXPECT_GT(userData.size(), 30u);
  EXPECT_EQ(log.Count("Discarding a non Discovery / UserData DDS message #"), otherData);

  for (const auto& [id, count] : kinds) {
    SCOPED_TRACE(id);
    if (id == 0x15) continue;
    if (id == 0x09) {
      EXPECT_EQ(log.Count("Updating sub-messages timestamp") +
                    log.Count("Received an RTPS message with invalid timestamp"),
                count);
    } else {
      const std::string hex = HexNumber(static_cast<uint32_t>(id), 2).substr(2);
      EXPECT_EQ(log.Count("Ignoring RTPS message type = " +
                          RTPSSubMessageTypeToName(static_cast<uint8_t>(id)) + " (0x" + hex + ")"),
                count);
    }
  }
  // Real traffic is never malformed: nothing may be dropped as such.
  for (const char* drop : {"Discarding a malformed frame", "Discarding sub-message",
                           "Discarding the rest of an RTPS message", "trailing bytes",
                           "Cannot construct IP fragments", "duplicate IP fragment"}) {
    EXPECT_EQ(log.Count(drop), 0u) << drop;
  }
  EXPECT_EQ(log.Count("EOF was reached reading from an offline capture " + pcap), 1u);
}

INSTANTIATE_TEST_SUITE_P(LinkTypes, DdsperfRecording,
                         ::testing::Values("ddsperf_lo", "ddsperf_any", "ddsperf_any_sll1",
                                           "ddsperf_fragments"));

TEST(CaptureStage, OpenFailuresCarryTheirTexts) {
  auto pool = std::make_shared<boost::asio::thread_pool>(1);
  auto queue = std::make_shared<PassiveRTPSMessageProcessor::RTPSMessageQueue>(pool, [] {});
  const auto dir = std::filesystem::temp_directory_path();
  const std::string wifi = (dir / ("veltrane_wifi_" + std::to_string(getpid()) + ".pcap")).string();
  testing::WritePcap(wifi, 105, {Bytes(40, 0)});
  const std::string missing = (dir / "veltrane_no_such_file.pcap").string();
  const std::vector<std::tuple<std::string, SourceType, std::string>> cases{
      {wifi, SourceType::PCAP_FILE, "Init The  engine only supports Ethernet networks"},
      {missing, SourceType::PCAP_FILE, "Init Unable to open pcap file: " + missing + ". Error: "},
      {"veltrane0", SourceType::NIC,
       "Init Interface name 'veltrane0' was not found. List of detected NICs : "},
  };
  for (const auto& [source, type, text] : cases) {
    SCOPED_TRACE(text);
    PassiveEthernetPacketsProcessor stage;
    try {
      stage.Init(source, queue, type);
      ADD_FAILURE() << "Init succeeded";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind(text, 0), 0u) << error.what();
      if (type == SourceType::NIC) {
        EXPECT_NE(std::string(error.what()).find("lo - "), std::string::npos);
      }
    }
  }
  std::filesystem::remove(wifi);
  pool->join();
}

}  // namespace
}  // namespace Quorvel::passive
