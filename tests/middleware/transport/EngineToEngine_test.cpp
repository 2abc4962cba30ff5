// Our writer to our readers inside one process: every sample arrives byte for byte and in order
// per instance, a dispose and an unregister arrive without data but with the instance's key
// values, a reader created at run time receives too, and teardown leaves no thread behind.

#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/transport/TopicWriter.h"
#include "middleware/transport/WaitCondition.h"
#include "middleware/transport/support/KeyedSeqFixture.h"
#include "support/ThreadNames.h"
#include "middleware/transport/support/SampleCollector.h"
#include "middleware/xml/QosProfileLibrary.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>
#include <stdexcept>

namespace Quorvel::Transport {
namespace {

using namespace std::chrono_literals;
using namespace TransportTest;
using Quorvel::testing::ThreadNames;

constexpr std::uint32_t kInstances = 10;

std::vector<std::uint8_t> PayloadOf(std::uint32_t seq) {
  return EncodeKeyedSeq({seq, seq % kInstances, std::vector<std::uint8_t>(seq % 300, static_cast<std::uint8_t>(seq))});
}

struct Pair {
  const char* writerParticipant;
  const char* readerParticipant;
  std::int32_t domain;
};

class EngineToEngine : public ::testing::TestWithParam<Pair> {};

TEST_P(EngineToEngine, EverySampleArrivesWholeAndDisposalsCarryTheirKey) {
  const Pair pair = GetParam();
  auto readerSide = Participant::Create(Provider(), pair.readerParticipant, pair.domain);
  auto writerSide = Participant::Create(Provider(), pair.writerParticipant, pair.domain);
  auto reader = readerSide->FindReader("Subscriber::KSReader");
  auto writer = writerSide->FindWriter("Publisher::KSWriter");
  ASSERT_TRUE(reader && writer);
  AsyncWaitSet waitSet("TopicDissectorWorker", 3);
  SampleCollector collector(reader, waitSet);
  readerSide->Enable();
  writerSide->Enable();
  waitSet.Start();
  // A second reader, created once the participant runs, as dynamic subscription does.
  xml::QosPolicies lateQos = Provider().qos("TransportQos::Reliable", xml::QosEntityKind::DATAREADER);
  lateQos.entityName = "DDSPerfRDataKS_DR";
  auto late = readerSide->CreateReader("Subscriber", "DDSPerfRDataKS", "KeyedSeq", KeyedSeqType(), lateQos);
  EXPECT_EQ(late->Name(), "DDSPerfRDataKS_DR");
  EXPECT_FALSE(late->Enabled());
  SampleCollector lateCollector(late, waitSet);
  late->Enable();
  EXPECT_EQ(readerSide->FindReader("DDSPerfRDataKS_DR"), late);
  ASSERT_TRUE(WaitFor([&] { return writer->MatchedReaders() == 2; }, 10s));

  constexpr std::uint32_t kSamples = 5000;
  for (std::uint32_t seq = 0; seq < kSamples; ++seq) writer->Write(PayloadOf(seq), KeyHashOf(seq % kInstances));
  writer->Dispose(PayloadOf(3), KeyHashOf(3));
  writer->Unregister(PayloadOf(4));
  const auto complete = [](const SampleCollector& c) { return c.ValidCount() == kSamples && c.Count() == kSamples + 2; };
  if (!WaitFor([&] { return complete(collector) && complete(lateCollector); }, 60s)) {
    std::vector<ReceivedSample> left;
    const std::size_t inReader = reader->TakeAll(left);
    const std::size_t inLate = late->TakeAll(left);
    FAIL() << collector.Count() << " and " << lateCollector.Count() << " samples of " << kSamples + 2 << "; "
           << inReader << " and " << inLate << " still in the readers; locked " << reader->Condition()->Locked()
           << late->Condition()->Locked() << " pending " << reader->Condition()->Pending()
           << late->Condition()->Pending() << "; writer matched " << writer->MatchedReaders();
  }
  waitSet.Stop();

  for (const auto* received : {&collector, &lateCollector}) {
    std::map<std::uint32_t, std::uint32_t> nextSeq;  // per instance
    for (const ReceivedSample& sample : received->Samples()) {
      if (!sample.info.validData) {
        auto key = (received == &collector ? reader : late)->KeyValues(sample.info.instanceHandle);
        ASSERT_TRUE(key);
        const std::uint32_t keyval = key->value<uint32_t>("keyval");
        EXPECT_EQ(sample.info.instanceHandle, KeyHashOf(keyval));
        // The writer disposes what it unregisters (autodispose_unregistered_instances).
        EXPECT_EQ(sample.info.instanceState, InstanceState::NOT_ALIVE_DISPOSED);
        EXPECT_TRUE(keyval == 3 || keyval == 4) << keyval;
        EXPECT_TRUE(sample.payload.empty());
        continue;
      }
      const KeyedSeqValue value = DecodeKeyedSeq(sample.payload);
      ASSERT_EQ(sample.payload, PayloadOf(value.seq)) << "payload bytes changed on the way";
      std::uint32_t& next = nextSeq.try_emplace(value.keyval, value.keyval).first->second;
      ASSERT_EQ(value.seq, next) << "instance " << value.keyval << " lost or reordered a sample";
      next += kInstances;
      EXPECT_EQ(sample.info.instanceHandle, KeyHashOf(value.keyval));
      EXPECT_EQ(sample.info.writerGuid[12], 0) << "a user writer entity id";
      EXPECT_GE(sample.info.receptionTimestamp.Microseconds(), sample.info.sourceTimestamp.Microseconds() - 1000);
    }
    EXPECT_EQ(nextSeq.size(), kInstances);
  }
  InstanceHandle unseen;
  unseen.fill(0xff);
  EXPECT_FALSE(reader->KeyValues(unseen));
}

INSTANTIATE_TEST_SUITE_P(Transports, EngineToEngine,
                         ::testing::Values(Pair{"TransportParticipants::UdpInjector", "TransportParticipants::UdpMonitor", 154},
                                         Pair{"TransportParticipants::Injector", "TransportParticipants::Monitor", 155}),
                         [](const auto& info) { return info.index == 0 ? "UdpOnLoopback" : "DefaultTransports"; });

TEST(EngineToEngineDispatch, SlowHandlerOfOneReaderRunsAloneAndLosesNothing) {
  auto readerSide = Participant::Create(Provider(), "TransportParticipants::UdpMonitor", 159);
  auto writerSide = Participant::Create(Provider(), "TransportParticipants::UdpInjector", 159);
  auto reader = readerSide->FindReader("Subscriber::KSReader");
  auto writer = writerSide->FindWriter("Publisher::KSWriter");
  AsyncWaitSet waitSet("TopicDissectorWorker", 4);
  std::atomic<int> inFlight{0};
  std::atomic<int> maxInFlight{0};
  std::atomic<std::size_t> received{0};
  std::atomic<int> runs{0};
  waitSet.Attach(reader->Condition(), [&] {
    const int now = ++inFlight;
    maxInFlight = std::max(maxInFlight.load(), now);
    ++runs;
    std::vector<ReceivedSample> batch;
    received += reader->TakeAll(batch);
    std::this_thread::sleep_for(3ms);  // a slow dissection
    --inFlight;
  });
  readerSide->Enable();
  writerSide->Enable();
  waitSet.Start();
  ASSERT_TRUE(WaitFor([&] { return writer->MatchedReaders() == 1; }, 10s));
  constexpr std::size_t kSamples = 3000;
  for (std::uint32_t seq = 0; seq < kSamples; ++seq) writer->Write(PayloadOf(seq), KeyHashOf(seq % kInstances));
  EXPECT_TRUE(WaitFor([&] { return received == kSamples; }, 20s)) << received << " of " << kSamples;
  waitSet.Stop();
  EXPECT_EQ(maxInFlight, 1);
  EXPECT_GT(runs, 1);
}

TEST(ParticipantTeardown, LeavesNoThreadAndClosesItsEndpoints) {
  // Fast DDS starts a few process-wide threads with its first participant; they stay.
  Participant::Create(Provider(), "TransportParticipants::UdpMonitor", 156)->Enable();
  const std::size_t baseline = ThreadNames().size();
  std::shared_ptr<TopicReader> kept;
  std::shared_ptr<TopicWriter> keptWriter;
  {
    auto readerSide = Participant::Create(Provider(), "TransportParticipants::UdpMonitor", 156);
    auto writerSide = Participant::Create(Provider(), "TransportParticipants::UdpInjector", 156);
    AsyncWaitSet waitSet("TopicDissectorWorker", 2);
    kept = readerSide->FindReader("Subscriber::KSReader");
    keptWriter = writerSide->FindWriter("Publisher::KSWriter");
    SampleCollector collector(kept, waitSet);
    readerSide->Enable();
    writerSide->Enable();
    waitSet.Start();
    ASSERT_TRUE(WaitFor([&] { return keptWriter->MatchedReaders() == 1; }, 10s));
    for (std::uint32_t seq = 0; seq < 100; ++seq) keptWriter->Write(PayloadOf(seq));
    ASSERT_TRUE(WaitFor([&] { return collector.ValidCount() == 100; }, 10s));
    EXPECT_GT(ThreadNames().size(), baseline);
    waitSet.Stop();
  }
  EXPECT_TRUE(WaitFor([&] { return ThreadNames().size() == baseline; }, 5s))
      << ThreadNames().size() << " threads, " << baseline << " before";
  // Endpoints outliving their participant refuse politely instead of touching freed entities.
  std::vector<ReceivedSample> samples;
  EXPECT_THROW(kept->TakeAll(samples), std::runtime_error);
  EXPECT_THROW(keptWriter->Write(PayloadOf(0)), std::runtime_error);
}

TEST(ParticipantCreation, RefusesWhatTheDefinitionsDoNotHold) {
  const struct {
    const char* participant;
    const char* message;
  } cases[] = {
      {"TransportParticipants::Nobody", "No participant definition named TransportParticipants::Nobody"},
      {"Monitor", "No participant definition named Monitor"},
  };
  for (const auto& c : cases) {
    try {
      Participant::Create(Provider(), c.participant, 157);
      ADD_FAILURE() << c.participant << " was created";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
  auto participant = Participant::Create(Provider(), "TransportParticipants::Monitor", 157);
  EXPECT_EQ(participant->ReaderNames(), std::vector<std::string>{"Subscriber::KSReader"});
  EXPECT_TRUE(participant->WriterNames().empty());
  EXPECT_FALSE(participant->FindReader("KSReader"));
  EXPECT_FALSE(participant->FindWriter("Subscriber::KSReader"));
  EXPECT_TRUE(participant->HasSubscriber("Subscriber"));
  EXPECT_FALSE(participant->Enabled());
  EXPECT_THROW(participant->CreateReader("NoSuchSubscriber", "T", "KeyedSeq", KeyedSeqType(), {}), std::runtime_error);
  // A topic name is bound to one type.
  xtypes::Member x;
  x.name = "x";
  x.type = xtypes::DynamicType::Primitive(xtypes::TypeKind::INT32);
  auto other = xtypes::DynamicType::Structure("Other", {x}, xtypes::Extensibility::FINAL);
  EXPECT_THROW(participant->CreateReader("Subscriber", "DDSPerfRDataKS", "Other", other, {}), std::runtime_error);
}

TEST(ParticipantWriting, PayloadWithoutDecodableKeyIsRefused) {
  auto participant = Participant::Create(Provider(), "TransportParticipants::UdpInjector", 158);
  auto writer = participant->FindWriter("Publisher::KSWriter");
  participant->Enable();
  const std::vector<std::uint8_t> truncated = {0x00, 0x01, 0x00, 0x00, 0x07};
  try {
    writer->Write(truncated);
    ADD_FAILURE() << "a payload without a decodable key was written";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(),
                 "DataWriter::write on Publisher::KSWriter failed: CDR decode error at offset 4: 8 bytes needed but "
                 "only 1 left");
  }
}

}  // namespace
}  // namespace Quorvel::Transport
