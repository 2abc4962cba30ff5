// Recordings through the real capture stage and RTPS processor. Real traffic: ddsperf
// (Cyclone DDS) captured by tcpdump on `lo` (Ethernet), on `any` (Linux cooked v1 and v2) and
// on the MTU-1500 loopback of a network namespace, where 4 KB samples arrive as IP fragments;
// the messages, sub-messages by kind, writer GUIDs and sequence numbers must agree with
// tshark's decode of the same files (scripts/capture-ddsperf.sh makes both). Synthetic
// recordings cover the other link types; a live capture on `lo` covers the interface path.

#include "support/LogCapture.h"
#include "passive/DiscoveryParameters.h"
#include "passive/HexText.h"
#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveParticipantDiscoveryRecord.h"
#include "passive/PassiveEthernetPacketsProcessor.h"
#include "passive/RTPSSubMessageKind.h"
#include "passive/support/RtpsFixture.h"

#include <boost/asio/thread_pool.hpp>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using Quorvel::testing::LogCapture;

const std::string kDataDir = std::string(VELTRANE_TEST_DATA_DIR) + "/passive/";

// One sub-message as tshark decoded it.
struct Reference {
  int frame;
  int id;
  std::string prefix;
  std::string writer;  // DATA only
  std::string sequence;
};

std::vector<std::string> Split(const std::string& text, char delimiter) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, delimiter)) parts.push_back(part);
  return parts;
}

std::vector<Reference> ReadReference(const std::string& path) {
  std::ifstream in(path);
  std::vector<Reference> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields = Split(line, ';');
    fields.resize(6);
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
  return message.GuidPrefixText() + " " + writer.text + " " + std::to_string(sequence);
}

class DdsperfRecording : public ::testing::TestWithParam<const char*> {};

TEST_P(DdsperfRecording, AgreesWithTsharkOnMessagesSubMessagesWritersAndSequenceNumbers) {
  const std::string pcap = kDataDir + GetParam() + ".pcap";
  const auto reference = ReadReference(kDataDir + GetParam() + ".tshark.txt");
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

// tshark's fields `fields` (space-separated "-e" list) of the packets that have `filter`.
std::string TsharkFields(const std::string& pcap, const std::string& filter,
                         const std::string& fields) {
  const std::string command = "tshark -r '" + pcap + "' -Y " + filter +
                              " -T fields -E occurrence=a " + fields + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  if (!pipe) return output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
  return output;
}

// "GUID topic type" of every endpoint announcement as tshark decodes the file.
std::set<std::string> TsharkEndpoints(const std::string& pcap) {
  std::set<std::string> endpoints;
  std::stringstream lines(TsharkFields(
      pcap, "rtps.param.endpoint_guid",
      "-e rtps.param.endpoint_guid -e rtps.param.topicName -e rtps.param.typeName"));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> columns = Split(line, '\t');
    columns.resize(3);
    const auto guids = Split(columns[0], ',');
    const auto topics = Split(columns[1], ',');
    const auto types = Split(columns[2], ',');
    // Rows where tshark shows each field once per announcement line up; others cannot be
    // paired and are left out of the reference.
    if (guids.size() != topics.size() || guids.size() != types.size()) continue;
    for (size_t i = 0; i < guids.size(); ++i) {
      endpoints.insert(guids[i] + " " + topics[i] + " " + types[i]);
    }
  }
  return endpoints;
}

TEST_P(DdsperfRecording, EndpointAnnouncementsAgreeWithTsharkOnGuidTopicAndType) {
  const std::string pcap = kDataDir + GetParam() + ".pcap";
  const auto reference = TsharkEndpoints(pcap);
  if (reference.empty()) GTEST_SKIP() << "tshark gave no endpoint announcements";

  Pipeline pipeline;
  pipeline.Read(pcap);
  std::set<std::string> parsed, disposedGuids;
  for (const auto& data : pipeline.fixture.targets->endpoints) {
    PassiveEndPointDiscoveryRecord record;
    WriterKey key;
    ParseEndpointParameters(DiscoveryParameterList(*data), record, key);
    EXPECT_EQ("0x" + record.guidText, key.GuidText());
    // Disposals of an endpoint carry its GUID alone; they must name an announced endpoint.
    if (record.topicName.empty() && record.typeName.empty()) {
      disposedGuids.insert(record.guidText);
    } else {
      parsed.insert(record.guidText + " " + record.topicName + " " + record.typeName);
    }
  }
  EXPECT_EQ(parsed, reference);
  std::set<std::string> announcedGuids;
  for (const std::string& row : reference) announcedGuids.insert(row.substr(0, 32));
  for (const std::string& guid : disposedGuids) EXPECT_EQ(announcedGuids.count(guid), 1u) << guid;
  EXPECT_TRUE(parsed.count("0110ff6ea6248821762b037800000b02 DDSPerfRDataKS KeyedSeq") != 0 ||
              GetParam() != std::string("ddsperf_lo"));
}

TEST(SyntheticRecording, EveryLinkTypeIsReadFromAFile) {
  Bytes rtps = testing::RtpsHeader(testing::TestPrefix());
  testing::DataSpec spec;
  spec.payload = {0x00, 0x01, 0x00, 0x00, 9, 9, 9, 9};
  testing::Append(rtps, testing::Data(spec));
  const Bytes packet = testing::IPv4({}, testing::Udp(7410, 7400, rtps));
  const std::vector<std::tuple<std::string, int, Bytes>> cases{
      {"ethernet_vlan", 1, testing::Ethernet(packet, 1)},
      {"sll", 113, testing::LinuxSll(packet)},
      {"sll2", 276, testing::LinuxSll2(packet)},
      {"null", 0, testing::BsdLoopback(packet)},
      {"raw", 12, packet},
      {"ipv4", 228, packet},
  };
  const auto dir = std::filesystem::temp_directory_path() / ("veltrane_passive_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  for (const auto& [name, datalink, frame] : cases) {
    SCOPED_TRACE(name);
    const std::string path = (dir / (name + ".pcap")).string();
    // The frame twice, with an IPv6 packet of the same link in between.
    Bytes other = frame;
    other[frame.size() - packet.size()] = 0x60;
    testing::WritePcap(path, datalink, {frame, other, frame});
    Pipeline pipeline;
    pipeline.Read(path);
    EXPECT_EQ(pipeline.stage.FramesRead(), 3u);
    EXPECT_EQ(pipeline.stage.MessagesEnqueued(), 2u);
    EXPECT_EQ(pipeline.fixture.targets->userData.size(), 2u);
  }
  std::filesystem::remove_all(dir);
}

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

TEST(CaptureStage, LiveCaptureOnLoopbackDeliversDatagramsAndStopsPromptly) {
  Pipeline pipeline;
  pipeline.stage.Init("lo", pipeline.queue, SourceType::NIC);
  pipeline.stage.StartCaptureThread();
  const Bytes prefix{'v', 'e', 'l', 't', 'r', 'a', 'n', 'e', 'l', 'i', 'v', 'e'};
  Bytes rtps = testing::RtpsHeader(prefix);
  testing::DataSpec spec;
  spec.payload = {0x00, 0x01, 0x00, 0x00, 1, 2, 3, 4};
  testing::Append(rtps, testing::Data(spec));

  const int sender = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(sender, 0);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(39111);
  target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const auto mine = [&pipeline] {
    std::lock_guard lock(pipeline.fixture.targets->mutex);
    size_t count = 0;
    for (const auto& sample : pipeline.fixture.targets->userData) {
      count += sample->messageHeader.GuidPrefixText() == "76656c7472616e656c697665";
    }
    return count;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (mine() < 3 && std::chrono::steady_clock::now() < deadline) {
    sendto(sender, rtps.data(), rtps.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(sender);
  EXPECT_GE(mine(), 3u);
  pipeline.stage.Terminate();  // returns although no more traffic arrives
  EXPECT_TRUE(pipeline.stage.IsFinished());
}

}  // namespace
}  // namespace Quorvel::passive

namespace Quorvel::passive {
namespace {

TEST_P(DdsperfRecording, ParticipantAnnouncementsAgreeWithTsharkOnGuids) {
  const std::string pcap = kDataDir + GetParam() + ".pcap";
  std::set<std::string> reference;
  for (const std::string& guid : Split(TsharkFields(pcap, "rtps.param.participant_guid",
                                                    "-e rtps.param.participant_guid"),
                                       ',')) {
    std::stringstream trimmed(guid);
    std::string word;
    while (trimmed >> word) reference.insert(word);
  }
  if (reference.empty()) GTEST_SKIP() << "tshark gave no participant announcements";

  Pipeline pipeline;
  pipeline.Read(pcap);
  std::set<std::string> parsed;
  size_t announcements = 0;
  for (const auto& data : pipeline.fixture.targets->participants) {
    PassiveParticipantDiscoveryRecord record;
    WriterKey key;
    ParseParticipantParameters(DiscoveryParameterList(*data), record, key);
    parsed.insert(record.guidText);
    // The GUID prefix of the announcement is that of the announced participant.
    EXPECT_EQ(record.guidText.substr(0, 24), data->messageHeader.GuidPrefixText());
    if (record.protocolVersion.empty()) continue;  // a disposal carries the GUID alone
    EXPECT_EQ(record.domainId, 57u);  // scripts/capture-ddsperf.sh runs ddsperf in domain 57
    EXPECT_EQ(record.protocolMajor, 2);
    ++announcements;
  }
  EXPECT_EQ(parsed, reference);
  EXPECT_GT(announcements, 0u);
}

}  // namespace
}  // namespace Quorvel::passive
