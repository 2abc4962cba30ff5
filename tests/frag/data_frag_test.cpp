// DATA_FRAG through the RTPS processor, built byte by byte: fragments in any order, duplicated
// and overlapping give the sample exactly once and exactly as sent; missing, inconsistent and
// oversized ones drop that sample alone, with its warning and one count of the right reason.

#include "frag/support/FragBuilder.h"
#include "passive/DataFragReassembler.h"
#include "passive/DiscoveryParameters.h"
#include "passive/RTPSDataSubMessage.h"
#include "passive/support/RtpsFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <thread>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using testing::Endian;
using testing::FragSpec;
using Quorvel::testing::LogCapture;

WriterKey Writer(uint32_t entity = 0x00000102) {
  GuidPrefix prefix;
  std::copy(testing::TestPrefix().begin(), testing::TestPrefix().end(), prefix.begin());
  return WriterKey::From(prefix, entity);
}

// A processor whose user writer 0x00000102 is known and whose drops are counted by reason.
struct FragFixture {
  FragFixture() {
    rtps.targets->knownWriters.insert(Writer());
    rtps.processor->Fragments().SetDropCounter([this](DropReason reason, uint64_t count) {
      std::lock_guard lock(dropMutex);
      drops[reason] += count;
    });
  }
  void Send(const Bytes& subMessages, int64_t captureUs = 1'000'000) {
    rtps.processor->ProcessMessage(testing::CapturedAt(subMessages, captureUs));
  }
  void SendEach(const std::vector<Bytes>& subMessages) {
    for (const Bytes& subMessage : subMessages) Send(subMessage);
  }
  uint64_t Dropped(DropReason reason) {
    std::lock_guard lock(dropMutex);
    return drops[reason];
  }
  const std::vector<std::shared_ptr<const RTPSUserDataMessage>>& Samples() {
    return rtps.targets->userData;
  }

  testing::RtpsFixture rtps;
  std::mutex dropMutex;
  std::map<DropReason, uint64_t> drops;
};

const Bytes kSample = testing::CdrPayload(60);  // 64 bytes: four fragments of 16

std::vector<Bytes> Pieces(uint16_t perMessage = 1, Endian endian = Endian::LITTLE) {
  FragSpec base;
  base.endian = endian;
  base.sequence = 5;
  return testing::FragmentSample(base, kSample, 16, perMessage);
}

struct OrderCase {
  const char* name;
  std::vector<Bytes> subMessages;
  bool bigEndian = false;
};

TEST(DataFrag, AnyOrderDuplicatesAndOverlapsGiveTheSampleOnceAndExact) {
  const std::vector<Bytes> p = Pieces();
  const std::vector<Bytes> big = Pieces(1, Endian::BIG);
  const std::vector<Bytes> pairs = Pieces(2);
  FragSpec overlap;  // fragments 2 and 3 in one sub-message, overlapping both pairs
  overlap.sequence = 5;
  overlap.firstFragment = 2;
  overlap.fragments = 2;
  overlap.sampleSize = 64;
  overlap.data.assign(kSample.begin() + 16, kSample.begin() + 48);
  Bytes allInOne;
  for (const Bytes& piece : p) testing::Append(allInOne, piece);
  const std::vector<OrderCase> cases{
      {"in order", p},
      {"reversed", {p[3], p[2], p[1], p[0]}},
      {"last first, middle last", {p[3], p[0], p[2], p[1]}},
      {"every fragment twice", {p[1], p[1], p[0], p[3], p[0], p[2], p[3]}},
      {"overlapping sub-messages", {pairs[0], testing::DataFrag(overlap), pairs[1]}},
      {"one message, four sub-messages", {allInOne}},
      {"two fragments per sub-message, reversed", {pairs[1], pairs[0]}},
      {"big-endian sub-messages, shuffled", {big[2], big[0], big[3], big[1]}, true},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    FragFixture fixture;
    LogCapture log;
    fixture.SendEach(c.subMessages);
    ASSERT_EQ(fixture.Samples().size(), 1u);
    const RTPSUserDataMessage& sample = *fixture.Samples()[0];
    EXPECT_EQ(sample.CopySerializedPayload(), kSample);
    EXPECT_EQ(sample.header.writerSN.value, 5u);
    EXPECT_EQ(sample.header.bigEndian, c.bigEndian);
    EXPECT_EQ(sample.header.writerKey, Writer());
    EXPECT_TRUE(sample.header.dataPresent);
    EXPECT_EQ(sample.header.encapsulationId, 0x0001);
    EXPECT_FALSE(sample.header.payloadBigEndian);
    EXPECT_EQ(fixture.rtps.processor->Fragments().PendingSamples(), 0u);
    EXPECT_EQ(fixture.rtps.processor->Fragments().PendingBytes(), 0u);
    EXPECT_EQ(log.Count("Evicting"), 0u);
    EXPECT_EQ(log.Count("Dropping"), 0u);
  }
}

TEST(DataFrag, InlineQosOfTheFirstFragmentReachesTheSample) {
  FragFixture fixture;
  FragSpec base;
  base.sequence = 9;
  const Bytes keyHash{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                      0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
  base.inlineQos = testing::Parameter(0x0070, keyHash, Endian::LITTLE);
  testing::Append(base.inlineQos, testing::Parameter(0x0071, {0, 0, 0, 1}, Endian::LITTLE));
  testing::Append(base.inlineQos, testing::Sentinel(Endian::LITTLE));
  const std::vector<Bytes> p = testing::FragmentSample(base, kSample, 16);
  fixture.SendEach({p[3], p[1], p[2], p[0]});
  ASSERT_EQ(fixture.Samples().size(), 1u);
  const RTPSUserDataMessageHeader& header = fixture.Samples()[0]->header;
  EXPECT_TRUE(header.inlineQos);
  ASSERT_TRUE(header.qos.keyHash.has_value());
  EXPECT_EQ(Bytes(header.qos.keyHash->begin(), header.qos.keyHash->end()), keyHash);
  EXPECT_EQ(header.qos.statusInfo, InlineQos::kDisposed);
  EXPECT_EQ(fixture.Samples()[0]->CopySerializedPayload(), kSample);
}

TEST(DataFrag, KeyFlagGivesAKeyOnlySample) {
  FragFixture fixture;
  FragSpec base;
  base.key = true;
  fixture.SendEach(testing::FragmentSample(base, kSample, 16));
  ASSERT_EQ(fixture.Samples().size(), 1u);
  EXPECT_TRUE(fixture.Samples()[0]->header.keyPresent);
  EXPECT_FALSE(fixture.Samples()[0]->header.dataPresent);
  EXPECT_EQ(fixture.Samples()[0]->CopySerializedPayload(), kSample);
}

TEST(DataFrag, CompletingSubMessageGivesTimestampAndAddresses) {
  FragFixture fixture;
  const std::vector<Bytes> p = Pieces(2);
  fixture.rtps.processor->ProcessMessage(testing::CapturedAt(p[0], 5'000'000, "10.0.0.5"));
  Bytes last = testing::InfoTs(1700000000, 0x80000000, Endian::LITTLE);
  testing::Append(last, p[1]);
  fixture.rtps.processor->ProcessMessage(testing::CapturedAt(last, 6'250'000, "10.0.0.6"));
  ASSERT_EQ(fixture.Samples().size(), 1u);
  const RTPSUserDataMessage& sample = *fixture.Samples()[0];
  EXPECT_TRUE(sample.messageHeader.hasSourceTimestamp);
  EXPECT_EQ(sample.messageHeader.sourceTimestampNs, 1700000000'500000000);
  EXPECT_EQ(sample.message->ipHeader->src_ip, "10.0.0.6");
  EXPECT_EQ(sample.message->packetHeader->ts.tv_sec, 6);
  EXPECT_EQ(sample.message->packetHeader->ts.tv_usec, 250000);
}

TEST(DataFrag, FragmentedDiscoveryGoesToItsQueueWithTheWholeParameterList) {
  FragFixture fixture;
  // A publication announcement: PL_CDR_LE, topic name "Big", then the sentinel, padded by a
  // long entity name so that it needs several fragments.
  Bytes announcement{0x00, 0x03, 0x00, 0x00};
  testing::Append(announcement, testing::Parameter(0x0005, {4, 0, 0, 0, 'B', 'i', 'g', 0},
                                                   Endian::LITTLE));
  Bytes name{200, 0, 0, 0};
  name.insert(name.end(), 199, 'n');
  name.push_back(0);
  testing::Append(announcement, testing::Parameter(0x0062, name, Endian::LITTLE));
  testing::Append(announcement, testing::Sentinel(Endian::LITTLE));
  FragSpec base;
  base.writerId = EntityId::kPublicationsWriter;
  base.sequence = 3;
  const std::vector<Bytes> p = testing::FragmentSample(base, announcement, 64);
  ASSERT_GT(p.size(), 3u);
  for (auto it = p.rbegin(); it != p.rend(); ++it) fixture.Send(*it);
  ASSERT_EQ(fixture.rtps.targets->endpoints.size(), 1u);
  const RTPSDataSubMessage& data = *fixture.rtps.targets->endpoints[0];
  EXPECT_EQ(data.header.writerId.value, EntityId::kPublicationsWriter);
  EXPECT_EQ(data.header.payloadLength, announcement.size());
  WireReader list = DiscoveryParameterList(data);
  EXPECT_EQ(list.Remaining(), announcement.size() - 4);
  EXPECT_EQ(list.ReadU16(), 0x0005);
}

TEST(DataFrag, SampleLargerThanASubMessageLengthFieldIsDelivered) {
  FragFixture fixture;
  const Bytes big = testing::CdrPayload(200'000, 7);
  FragSpec base;
  base.sequence = 77;
  const std::vector<Bytes> p = testing::FragmentSample(base, big, 1344, 10);
  for (size_t i = 1; i < p.size(); i += 2) fixture.Send(p[i]);
  for (size_t i = 0; i < p.size(); i += 2) fixture.Send(p[i]);
  ASSERT_EQ(fixture.Samples().size(), 1u);
  EXPECT_EQ(fixture.Samples()[0]->header.dataLength, big.size() - 4);
  EXPECT_EQ(fixture.Samples()[0]->CopySerializedPayload(), big);
}

struct BadCase {
  const char* name;
  std::vector<Bytes> subMessages;  // all of sequence 5
  const char* warning;
};

FragSpec Fragment(uint32_t first, uint16_t count, uint16_t size, uint32_t sampleSize,
                  size_t dataBytes) {
  FragSpec spec;
  spec.sequence = 5;
  spec.firstFragment = first;
  spec.fragments = count;
  spec.fragmentSize = size;
  spec.sampleSize = sampleSize;
  spec.data = Bytes(dataBytes, 0x11);
  return spec;
}

TEST(DataFrag, InconsistentFragmentsDropThatSampleOnlyAsMalformed) {
  const std::vector<Bytes> p = Pieces();
  const std::vector<BadCase> cases{
      {"sampleSize changes",
       {p[0], testing::DataFrag(Fragment(2, 1, 16, 80, 16)), p[1], p[2], p[3]},
       "Dropping DATA_FRAG sample #5 from Writer GUID 0x0102030405060708090a0b0c00000102 (1 of "
       "4 fragments): sampleSize changed from 64 to 80"},
      {"fragmentSize changes",
       {p[0], testing::DataFrag(Fragment(2, 1, 32, 64, 32)), p[1], p[2], p[3]},
       "fragmentSize changed from 16 to 32"},
      {"fragment past the end",
       {p[0], testing::DataFrag(Fragment(4, 2, 16, 64, 32)), p[1], p[2], p[3]},
       "fragments 4 to 5 run past the 4 fragments of sampleSize 64"},
      {"fragmentSize 0", {testing::DataFrag(Fragment(1, 1, 0, 64, 16)), p[0], p[1], p[2], p[3]},
       "fragmentSize is 0"},
      {"fragment number 0", {testing::DataFrag(Fragment(0, 1, 16, 64, 16)), p[1], p[2], p[3], p[0]},
       "fragmentStartingNum is 0"},
      {"fewer bytes than the fragments claim",
       {p[0], testing::DataFrag(Fragment(2, 2, 16, 64, 20)), p[1], p[2], p[3]},
       "fragments 2 to 3 need 32 bytes, the sub-message holds 20"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    FragFixture fixture;
    LogCapture log;
    fixture.SendEach(c.subMessages);
    // A sample of another sequence number alongside is unharmed.
    FragSpec other;
    other.sequence = 6;
    fixture.SendEach(testing::FragmentSample(other, kSample, 16));
    ASSERT_EQ(fixture.Samples().size(), 1u);
    EXPECT_EQ(fixture.Samples()[0]->header.writerSN.value, 6u);
    EXPECT_EQ(log.Count(c.warning), 1u);
    EXPECT_EQ(log.Count("Dropping DATA_FRAG"), 1u);  // later fragments are ignored quietly
    EXPECT_EQ(fixture.Dropped(DropReason::MALFORMED_INPUT), 1u);
    EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 0u);
    EXPECT_EQ(fixture.rtps.processor->Fragments().PendingSamples(), 0u);
  }
}

TEST(DataFrag, MissingFragmentIsEvictedOnceTheWriterMovesOnBySequence) {
  FragFixture fixture;
  FragmentLimits limits;
  limits.maxSequenceLag = 2;
  fixture.rtps.processor->Fragments().SetLimits(limits);
  LogCapture log;
  const std::vector<Bytes> p = Pieces();
  fixture.SendEach({p[0], p[1], p[3]});  // fragment 3 of #5 never comes
  for (uint64_t sequence = 6; sequence <= 7; ++sequence) {
    FragSpec next;
    next.sequence = sequence;
    fixture.SendEach(testing::FragmentSample(next, kSample, 16));
  }
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 0u);  // #5 is only 2 behind
  FragSpec next;
  next.sequence = 8;
  fixture.SendEach(testing::FragmentSample(next, kSample, 16));
  EXPECT_EQ(log.Count("Evicting incomplete DATA_FRAG sample #5 from Writer GUID "
                      "0x0102030405060708090a0b0c00000102 (3 of 4 fragments): the writer is at "
                      "#8, more than 2 sequence numbers ahead"),
            1u);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 1u);
  EXPECT_EQ(fixture.Samples().size(), 3u);
  fixture.Send(p[2]);  // the lost fragment, far too late: no sample, no second count
  EXPECT_EQ(fixture.Samples().size(), 3u);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 1u);
  EXPECT_EQ(fixture.rtps.processor->Fragments().PendingSamples(), 0u);
}

TEST(DataFrag, MissingFragmentIsEvictedByAgeInCaptureTime) {
  FragFixture fixture;
  FragmentLimits limits;
  limits.maxAge = std::chrono::seconds(2);
  fixture.rtps.processor->Fragments().SetLimits(limits);
  LogCapture log;
  const std::vector<Bytes> p = Pieces();
  fixture.Send(p[0], 10'000'000);
  fixture.Send(p[1], 11'000'000);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 0u);
  FragSpec other;
  other.writerId = 0x00000202;  // another writer's traffic moves capture time on
  other.sampleSize = 64;
  other.fragmentSize = 16;
  other.data = Bytes(16, 0);
  fixture.Send(testing::DataFrag(other), 12'500'000);
  EXPECT_EQ(log.Count("(2 of 4 fragments): no fragment completed it within 2000 ms of capture "
                      "time"),
            1u);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 1u);
  EXPECT_EQ(fixture.rtps.processor->Fragments().PendingSamples(), 1u);  // the other writer's
}

TEST(DataFrag, ByteCapsEvictTheOldestAndRefuseWhatCanNeverFit) {
  FragFixture fixture;
  FragmentLimits limits;
  limits.maxPendingBytesPerWriter = 150;  // two samples of 64 bytes, not three
  limits.maxPendingBytesTotal = 1000;
  fixture.rtps.processor->Fragments().SetLimits(limits);
  LogCapture log;
  for (uint64_t sequence = 1; sequence <= 3; ++sequence) {
    FragSpec spec = Fragment(1, 1, 16, 64, 16);
    spec.sequence = sequence;
    fixture.Send(testing::DataFrag(spec));
  }
  EXPECT_EQ(log.Count("Evicting incomplete DATA_FRAG sample #1 "), 1u);
  EXPECT_EQ(log.Count("the writer's pending fragments reached the cap of 150 bytes"), 1u);
  EXPECT_EQ(fixture.rtps.processor->Fragments().PendingBytes(), 128u);
  FragSpec huge = Fragment(1, 1, 16, 151, 16);
  huge.sequence = 4;
  fixture.Send(testing::DataFrag(huge));
  EXPECT_EQ(log.Count("its sampleSize 151 exceeds the pending-bytes cap"), 1u);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 2u);

  // The total cap takes the oldest sample of any writer.
  limits.maxPendingBytesPerWriter = 1000;
  limits.maxPendingBytesTotal = 150;
  fixture.rtps.processor->Fragments().SetLimits(limits);
  FragSpec other = Fragment(1, 1, 16, 64, 16);
  other.writerId = 0x00000202;
  fixture.Send(testing::DataFrag(other));
  EXPECT_EQ(log.Count("Evicting incomplete DATA_FRAG sample #2 "), 1u);
  EXPECT_EQ(log.Count("pending fragments of all writers reached the cap of 150 bytes"), 1u);
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 3u);
  EXPECT_EQ(fixture.rtps.processor->Fragments().PendingBytes(), 128u);
}

TEST(DataFrag, UnknownWriterIsReportedOnceTheSampleIsWhole) {
  FragFixture fixture;
  LogCapture log;
  FragSpec base;
  base.writerId = 0x00000302;
  fixture.SendEach(testing::FragmentSample(base, kSample, 16));
  EXPECT_TRUE(fixture.Samples().empty());
  EXPECT_EQ(log.Count("No DataWriter matches the UserData RTPS message #1 "), 1u);
}

TEST(DataFrag, ConcurrentRunsJoinEverySampleExactlyOnce) {
  FragFixture fixture;
  constexpr uint64_t kSamples = 200;
  std::vector<Bytes> all;
  for (uint64_t sequence = 1; sequence <= kSamples; ++sequence) {
    FragSpec base;
    base.sequence = sequence;
    const auto pieces = testing::FragmentSample(base, testing::CdrPayload(100, uint8_t(sequence)), 8);
    all.insert(all.end(), pieces.begin(), pieces.end());
  }
  std::shuffle(all.begin(), all.end(), std::mt19937(42));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = t; i < all.size(); i += 4) fixture.Send(all[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_EQ(fixture.Samples().size(), kSamples);
  std::vector<uint64_t> sequences;
  for (const auto& sample : fixture.Samples()) {
    const uint64_t sequence = sample->header.writerSN.value;
    sequences.push_back(sequence);
    EXPECT_EQ(sample->CopySerializedPayload(), testing::CdrPayload(100, uint8_t(sequence)));
  }
  std::sort(sequences.begin(), sequences.end());
  EXPECT_EQ(std::adjacent_find(sequences.begin(), sequences.end()), sequences.end());
  EXPECT_EQ(fixture.Dropped(DropReason::INCOMPLETE_FRAGMENTS), 0u);
}

// Damage of every kind to real-looking DATA_FRAG messages: single bytes flipped, lengths cut,
// numbers set to extremes. Whatever arrives must be dropped or delivered whole; nothing is
// read outside the message (the sanitizer build checks that), nothing pending is left beyond
// the caps, and every delivered sample is exactly the one that was sent.
TEST(DataFrag, RandomDamageIsDroppedNeverMisread) {
  FragFixture fixture;
  FragmentLimits limits;
  limits.maxPendingBytesPerWriter = 1 << 16;
  limits.maxPendingBytesTotal = 1 << 17;
  fixture.rtps.processor->Fragments().SetLimits(limits);
  std::mt19937 random(7);
  const Bytes sample = testing::CdrPayload(300, 3);
  FragSpec base;
  base.inlineQos = testing::Parameter(0x0071, {0, 0, 0, 2}, Endian::LITTLE);
  testing::Append(base.inlineQos, testing::Sentinel(Endian::LITTLE));
  for (uint64_t round = 0; round < 400; ++round) {
    base.sequence = round + 1;
    base.endian = round % 2 == 0 ? Endian::LITTLE : Endian::BIG;
    std::vector<Bytes> pieces = testing::FragmentSample(base, sample, 64, 2);
    Bytes& victim = pieces[random() % pieces.size()];
    switch (random() % 4) {
      case 0:  // a flipped byte anywhere
        victim[random() % victim.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        break;
      case 1:  // cut short
        victim.resize(random() % victim.size());
        break;
      case 2:  // an extreme value in one of the fragment numbers (bytes 24 to 35)
        std::fill_n(victim.begin() + 24 + static_cast<std::ptrdiff_t>(random() % 9), 3, 0xFF);
        break;
      default:  // a duplicate instead of the damage
        pieces.push_back(victim);
        break;
    }
    std::shuffle(pieces.begin(), pieces.end(), random);
    fixture.SendEach(pieces);
  }
  EXPECT_LE(fixture.rtps.processor->Fragments().PendingBytes(), limits.maxPendingBytesTotal);
  EXPECT_GT(fixture.Samples().size(), 50u);
  for (const auto& delivered : fixture.Samples()) {
    // A flipped payload byte is not detectable on the wire; the length and the header are.
    EXPECT_EQ(delivered->CopySerializedPayload().size(), sample.size());
  }
}

}  // namespace
}  // namespace Quorvel::passive
