// Our participant against Cyclone DDS's ddsperf on loopback: ddsperf's KeyedSeq samples reach
// our reader whole and without gaps, ours reach ddsperf's subscriber, and publication discovery
// reports ddsperf's writer but never our own. Each test owns its domain id.

#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/PublicationDiscovery.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/transport/TopicWriter.h"
#include "middleware/transport/WaitCondition.h"
#include "support/ChildProcess.h"
#include "middleware/transport/support/KeyedSeqFixture.h"
#include "middleware/transport/support/SampleCollector.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <map>
#include <sstream>
#include <thread>

namespace Quorvel::Transport {
namespace {

using namespace std::chrono_literals;
using namespace TransportTest;
using Quorvel::testing::ChildProcess;

std::string OutputPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("veltrane_transport_" + name + ".log")).string();
}

bool SamePrefix(const Guid& a, const Guid& b) { return std::equal(a.begin(), a.begin() + 12, b.begin()); }

TEST(CycloneInterop, DdsperfSamplesReachOurReaderWholeAndWithoutGaps) {
  auto participant = Participant::Create(Provider(), "TransportParticipants::UdpMonitor", 151);
  ASSERT_EQ(participant->DomainId(), 151);
  auto reader = participant->FindReader("Subscriber::KSReader");
  ASSERT_TRUE(reader);
  EXPECT_FALSE(reader->Enabled()) << "nothing is enabled before Enable()";
  AsyncWaitSet waitSet("TopicDissectorWorker", 2);
  SampleCollector collector(reader, waitSet);
  participant->Enable();
  EXPECT_TRUE(reader->Enabled());
  waitSet.Start();

  ChildProcess pub({"ddsperf", "-i", "151", "-D", "4", "pub", "2000Hz", "size", "100"}, OutputPath("pub151"));
  ASSERT_TRUE(WaitFor([&] { return reader->MatchedWriters() > 0; }, 10s)) << "ddsperf's writer never matched";
  pub.Wait();
  // ddsperf's last samples: wait until nothing more arrives.
  std::size_t seen = 0;
  WaitFor(
      [&] {
        const std::size_t now = collector.Count();
        const bool settled = now == seen && now > 0;
        seen = now;
        return settled;
      },
      10s);
  std::this_thread::sleep_for(500ms);
  waitSet.Stop();

  const auto samples = collector.Samples();
  ASSERT_GT(collector.ValidCount(), 2000u);
  std::map<Guid, std::uint32_t> lastSeq;
  for (const auto& sample : samples) {
    if (!sample.info.validData) {
      // No data on a dispose or unregister: the key comes from what the reader saw of the instance.
      EXPECT_NE(sample.info.instanceState, InstanceState::ALIVE);
      auto key = reader->KeyValues(sample.info.instanceHandle);
      ASSERT_TRUE(key);
      EXPECT_EQ(KeyHashOf(key->value<uint32_t>("keyval")), sample.info.instanceHandle);
      continue;
    }
    ASSERT_GE(sample.payload.size(), 16u);
    EXPECT_EQ(sample.payload[0], 0x00);
    EXPECT_EQ(sample.payload[1], 0x01) << "ddsperf writes XCDR1 little endian";
    const KeyedSeqValue value = DecodeKeyedSeq(sample.payload);
    EXPECT_EQ(sample.info.instanceHandle, KeyHashOf(value.keyval));
    EXPECT_EQ(sample.info.instanceState, InstanceState::ALIVE);
    EXPECT_GT(sample.info.sourceTimestamp.Microseconds(), 0u);
    EXPECT_GT(sample.info.sequenceNumber, 0);
    auto [last, first] = lastSeq.try_emplace(sample.info.writerGuid, value.seq);
    if (!first) {
      ASSERT_EQ(value.seq, last->second + 1) << "a sample was lost or reordered";
      last->second = value.seq;
    }
  }
  EXPECT_EQ(lastSeq.size(), 1u);
}

// ddsperf counts only samples of ddsperf peers, so a Cyclone reader of rich_peer counts ours.
TEST(CycloneInterop, OurSamplesReachACycloneReaderExactly) {
  const std::string peer = std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/rich_peer";
  if (!std::filesystem::exists(peer)) GTEST_SKIP() << "rich_peer is built only with Cyclone DDS";
  constexpr std::uint32_t kSamples = 3000;
  ChildProcess sub({peer, "subscribe", "152", "DDSPerfRDataKS", std::to_string(kSamples), "30"}, OutputPath("sub152"));
  auto participant = Participant::Create(Provider(), "TransportParticipants::UdpInjector", 152);
  auto writer = participant->FindWriter("Publisher::KSWriter");
  ASSERT_TRUE(writer);
  EXPECT_FALSE(writer->Enabled());
  participant->Enable();
  ASSERT_TRUE(WaitFor([&] { return writer->MatchedReaders() > 0; }, 10s)) << "Cyclone's reader never matched";

  // Per instance, in writing order: "<seq> <keyval> <baggage length> <baggage byte sum>".
  std::map<std::uint32_t, std::vector<std::string>> expected;
  for (std::uint32_t seq = 0; seq < kSamples; ++seq) {
    const KeyedSeqValue value{seq, seq % 4, std::vector<std::uint8_t>(seq % 50, static_cast<std::uint8_t>(seq))};
    // Half with the encoder's key hash, half left to the writer to find.
    if (seq % 2) {
      writer->Write(EncodeKeyedSeq(value), KeyHashOf(value.keyval));
    } else {
      writer->Write(EncodeKeyedSeq(value));
    }
    expected[value.keyval].push_back(std::to_string(seq) + ' ' + std::to_string(value.keyval) + ' ' +
                                     std::to_string(value.baggage.size()) + ' ' +
                                     std::to_string(value.baggage.size() * (seq & 0xff)));
  }
  EXPECT_EQ(sub.Wait(), 0) << "Cyclone's reader missed samples";
  // Cyclone's take groups samples by instance, so order is compared per instance.
  std::map<std::uint32_t, std::vector<std::string>> received;
  std::istringstream lines(sub.Output());
  for (std::string line; std::getline(lines, line);) {
    std::uint32_t seq = 0;
    std::uint32_t keyval = 0;
    if (std::sscanf(line.c_str(), "%u %u", &seq, &keyval) == 2) received[keyval].push_back(line);
  }
  ASSERT_EQ(received.size(), expected.size());
  for (const auto& [keyval, lines] : expected) {
    EXPECT_TRUE(received[keyval] == lines) << "instance " << keyval << ": Cyclone read other values or another order";
  }
}

TEST(CycloneInterop, DiscoveryReportsDdsperfWriterAndNotOurs) {
  auto participant = Participant::Create(Provider(), "TransportParticipants::UdpInjector", 153);
  AsyncWaitSet builtin("BuiltinTopicsWorker", 1);
  std::mutex mutex;
  std::vector<DiscoveredPublication> found;
  auto discovery = participant->Publications();
  builtin.Attach(discovery->Condition(), [&] {
    auto batch = discovery->TakeAll();
    std::lock_guard<std::mutex> guard(mutex);
    found.insert(found.end(), batch.begin(), batch.end());
  });
  participant->Enable();
  builtin.Start();
  ChildProcess pub({"ddsperf", "-i", "153", "-D", "3", "pub", "100Hz"}, OutputPath("pub153"));
  const auto hasKeyedSeq = [&] {
    std::lock_guard<std::mutex> guard(mutex);
    return std::any_of(found.begin(), found.end(), [](const auto& p) { return p.topicName == "DDSPerfRDataKS"; });
  };
  ASSERT_TRUE(WaitFor(hasKeyedSeq, 10s)) << found.size() << " publications, none of ddsperf's data topic; pending "
                                         << discovery->Condition()->Pending() << " locked "
                                         << discovery->Condition()->Locked();
  pub.Wait();
  builtin.Stop();

  const Guid own = participant->ParticipantGuid();
  for (const auto& publication : found) {
    EXPECT_FALSE(SamePrefix(publication.writerGuid, own)) << "own writer reported: " << publication.topicName;
    if (publication.topicName != "DDSPerfRDataKS" || publication.status != PublicationStatus::DISCOVERED) continue;
    EXPECT_EQ(publication.typeName, "KeyedSeq");
    EXPECT_TRUE(publication.keyed);
    EXPECT_EQ(publication.qos.reliabilityKind, xml::ReliabilityKind::RELIABLE);
    ASSERT_FALSE(publication.dataRepresentation.empty());
    EXPECT_EQ(publication.dataRepresentation.front(), DataRepresentation::XCDR1);
  }
}

}  // namespace
}  // namespace Quorvel::Transport
