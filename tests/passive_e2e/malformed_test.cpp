// Malformed input end to end: each recording holds a writer's announcement, a good sample
// before and one after, and one kind of bad input between them. The bad item is dropped (with
// its log line where the wording is fixed), counted under one drop reason, and nothing else is
// lost.

#include "passive_e2e/support/KeyedSeqRecording.h"
#include "passive_e2e/support/RecordingRun.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;
using passive::testing::Append;
using passive::testing::IpSpec;
using passive::testing::PutU16;

const SyntheticWriter kWriter = MakeWriter(0x31, "GoodTopic");
const SyntheticWriter kOther = MakeWriter(0x32, "OtherTopic");

// A frame of one DATA of kWriter with NumberedValue(n) as sequence number n.
RecordedFrame DataFrame(std::uint32_t n, std::uint16_t ipId) {
  return {Frame(RtpsMessage(kWriter.prefix, KeyedSeqData(kWriter, n, NumberedValue(n))), ipId)};
}

Bytes Udp(const Bytes& payload) { return passive::testing::Udp(7410, 7400, payload); }
Bytes EthernetIp(const IpSpec& ip, const Bytes& payload) {
  return passive::testing::Ethernet(passive::testing::IPv4(ip, payload));
}
void SetU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value);
}
constexpr std::size_t kIpAt = 14;  // Ethernet header
constexpr std::size_t kUdpAt = kIpAt + 20;

// The IPv4 fragments of the datagram that carries NumberedValue(n), 64 payload bytes each.
std::vector<Bytes> Fragments(std::uint32_t n, std::uint16_t ipId) {
  KeyedSeqValue value = NumberedValue(n);
  value.baggage.assign(150, static_cast<std::uint8_t>(n));
  IpSpec ip;
  ip.id = ipId;
  std::vector<Bytes> frames;
  for (const Bytes& packet : passive::testing::Fragment(
           ip, Udp(RtpsMessage(kWriter.prefix, KeyedSeqData(kWriter, n, value))), 64)) {
    frames.push_back(passive::testing::Ethernet(packet));
  }
  return frames;
}

std::vector<RecordedFrame> AsFrames(std::vector<Bytes> frames) {
  std::vector<RecordedFrame> recorded;
  for (Bytes& frame : frames) recorded.push_back({std::move(frame)});
  return recorded;
}

struct Drops {
  std::uint64_t malformed = 0;
  std::uint64_t nonRtps = 0;
  std::uint64_t incomplete = 0;
  std::uint64_t noWriter = 0;
  std::uint64_t conversion = 0;
};

struct MalformedCase {
  std::string name;
  std::function<std::vector<RecordedFrame>()> badFrames;
  Drops drops;
  std::string logLine;                     // fixed wording; empty where the wording is free
  std::set<std::uint32_t> alsoDelivered;   // samples inside the bad frames that survive
};

std::vector<MalformedCase> Cases() {
  return {
      {"TruncatedFrame",
       [] {
         RecordedFrame frame = DataFrame(3, 30);
         frame.capturedLength = static_cast<std::uint32_t>(frame.bytes.size() - 10);
         return std::vector<RecordedFrame>{frame};
       },
       {.malformed = 1}, "", {}},
      {"IpTotalLengthPastFrame",
       [] {
         RecordedFrame frame = DataFrame(3, 30);
         SetU16(frame.bytes, kIpAt + 2, static_cast<std::uint16_t>(frame.bytes.size() - kIpAt + 40));
         return std::vector<RecordedFrame>{frame};
       },
       {.malformed = 1}, "", {}},
      {"UdpLengthPastDatagram",
       [] {
         RecordedFrame frame = DataFrame(3, 30);
         SetU16(frame.bytes, kUdpAt + 4, static_cast<std::uint16_t>(frame.bytes.size() - kUdpAt + 100));
         return std::vector<RecordedFrame>{frame};
       },
       {.malformed = 1}, "", {}},
      {"TruncatedRtpsHeader",
       [] {
         const Bytes rtps{'R', 'T', 'P', 'S', 2, 3, 0x01, 0x10, 1, 2, 3, 4, 5, 6, 7, 8};
         return std::vector<RecordedFrame>{{EthernetIp({}, Udp(rtps))}};
       },
       {.malformed = 1}, "", {}},
      {"SubMessageLengthPastMessage",
       [] {
         Bytes subMessages = KeyedSeqData(kWriter, 3, NumberedValue(3));
         Bytes bad = KeyedSeqData(kWriter, 4, NumberedValue(4));
         bad[2] = 0xd0;  // octetsToNextHeader 2000 (little endian)
         bad[3] = 0x07;
         Append(subMessages, bad);
         return std::vector<RecordedFrame>{{Frame(RtpsMessage(kWriter.prefix, subMessages), 30)}};
       },
       {.malformed = 1}, "", {3}},
      {"InlineQosWithoutSentinel",
       [] {
         passive::testing::DataSpec spec;
         spec.writerId = kWriter.entityId;
         spec.sequence = 3;
         spec.inlineQos = passive::testing::Parameter(0x0070, Bytes(16, 0x11), Endian::LITTLE);
         Append(spec.inlineQos, passive::testing::Parameter(0x0071, Bytes(4, 0x22), Endian::LITTLE));
         return std::vector<RecordedFrame>{{Frame(RtpsMessage(kWriter.prefix, passive::testing::Data(spec)), 30)}};
       },
       {.malformed = 1}, "", {}},
      {"AnnouncedTopicNameLongerThanMessage",
       [] {
         Bytes parameters = passive::testing::Parameter(0x0005, {0xff, 0xff, 0x00, 0x70, 'x', 0, 0, 0}, Endian::LITTLE);
         Append(parameters, StringParameter(0x0007, "KeyedSeq", Endian::LITTLE));
         Append(parameters, passive::testing::Sentinel(Endian::LITTLE));
         return std::vector<RecordedFrame>{
             {Frame(RtpsMessage(kOther.prefix, PublicationAnnouncement(kOther, Endian::LITTLE, parameters)), 30)},
             {Frame(RtpsMessage(kOther.prefix, KeyedSeqData(kOther, 1, NumberedValue(9))), 31)}};
       },
       {.malformed = 1, .noWriter = 1}, "No DataWriter matches the UserData RTPS message #1", {}},
      {"FragmentMissingInTheMiddle",
       [] {
         std::vector<Bytes> pieces = Fragments(3, 30);
         pieces.erase(pieces.begin() + 1);
         return AsFrames(std::move(pieces));
       },
       {.incomplete = 1}, "Cannot construct IP fragments under ID", {}},
      {"FragmentsOverlapping",
       [] {
         std::vector<Bytes> pieces = Fragments(3, 30);
         // The second fragment claims to start 8 bytes early, over the end of the first; it
         // comes last, so the overlap is what ends the datagram.
         Bytes second = pieces[1];
         const std::uint16_t field = static_cast<std::uint16_t>((second[kIpAt + 6] << 8) | second[kIpAt + 7]);
         SetU16(second, kIpAt + 6, static_cast<std::uint16_t>(field - 1));
         pieces.erase(pieces.begin() + 1);
         pieces.push_back(second);
         return AsFrames(std::move(pieces));
       },
       {.incomplete = 1}, "", {}},
      {"FragmentDuplicated",
       [] {
         std::vector<Bytes> pieces = Fragments(3, 30);
         pieces.insert(pieces.begin() + 2, pieces[1]);
         return AsFrames(std::move(pieces));
       },
       {}, "received a duplicate IP fragment with ID 30", {3}},
      {"UnknownAndVendorSubMessages",
       [] {
         Bytes subMessages = passive::testing::SubMessage(0x55, 0, Endian::LITTLE, Bytes(12, 0xee));
         Append(subMessages, passive::testing::SubMessage(0x80, 0, Endian::LITTLE, Bytes(8, 0xaa)));
         Append(subMessages, passive::testing::SubMessage(0xfe, 0, Endian::BIG, Bytes(4, 0xbb)));
         Append(subMessages, KeyedSeqData(kWriter, 3, NumberedValue(3)));
         return std::vector<RecordedFrame>{{Frame(RtpsMessage(kWriter.prefix, subMessages), 30)}};
       },
       {}, "Ignoring RTPS message type = ", {3}},
      {"UdpPayloadNotRtps",
       [] {
         Bytes rtps = RtpsMessage(kWriter.prefix, KeyedSeqData(kWriter, 3, NumberedValue(3)));
         rtps[3] = 'X';
         return std::vector<RecordedFrame>{{Frame(rtps, 30)}};
       },
       {.nonRtps = 1}, "Discarding a non-RTPS Message from 10.0.0.1", {}},
      {"UdpDatagramTooShortForRtps",
       [] { return std::vector<RecordedFrame>{{EthernetIp({}, Udp(Bytes{'R', 'T', 'P', 'S', 2, 3}))}}; },
       {.nonRtps = 1}, "Discard non-RTPS Message from 10.0.0.1", {}},
      {"NotIpv4",
       [] {
         return std::vector<RecordedFrame>{
             {passive::testing::Ethernet(Bytes(40, 0x60), 0, 0x86DD)}};
       },
       {.nonRtps = 1}, "", {}},
      {"NotUdp",
       [] {
         IpSpec ip;
         ip.protocol = 6;
         return std::vector<RecordedFrame>{{EthernetIp(ip, Bytes(40, 0))}};
       },
       {.nonRtps = 1}, "Discarding non-UDP Message from 10.0.0.1", {}},
      {"PayloadNotOfTheType",
       [] {
         Bytes payload = KeyedSeqPayload(NumberedValue(5), Endian::LITTLE);
         payload[12] = 0xff;  // baggage length far beyond the message
         payload[13] = 0xff;
         payload[14] = 0x0f;
         passive::testing::DataSpec spec;
         spec.writerId = kWriter.entityId;
         spec.sequence = 3;
         spec.payload = payload;
         return std::vector<RecordedFrame>{{Frame(RtpsMessage(kWriter.prefix, passive::testing::Data(spec)), 30)}};
       },
       {.conversion = 1}, " Error converting buffer to sample. Discarding message. Error = ", {}},
      {"UnannouncedWriter",
       [] {
         return std::vector<RecordedFrame>{{Frame(RtpsMessage(kOther.prefix, KeyedSeqData(kOther, 4, NumberedValue(4))), 30)}};
       },
       {.noWriter = 1}, "No DataWriter matches the UserData RTPS message #4", {}},
  };
}

class MalformedRecordingTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedRecordingTest, BadItemDroppedAndCountedNothingElseLost) {
  const MalformedCase& c = GetParam();
  std::vector<RecordedFrame> frames{
      {Frame(RtpsMessage(kWriter.prefix, PublicationAnnouncement(kWriter, Endian::LITTLE)), 10)}, DataFrame(1, 11)};
  for (RecordedFrame& frame : c.badFrames()) frames.push_back(std::move(frame));
  frames.push_back(DataFrame(2, 12));
  const std::string path = ScratchRecordingPath("malformed_" + c.name);
  WriteRecording(path, frames);

  ConfigureFactoryOnce();
  std::optional<Quorvel::testing::LogCapture> log(std::in_place);
  const RecordingResult result = DissectRecording(path, {TestDataPath("passive/keyedseq.xml")});

  std::set<std::uint32_t> expected{1, 2};
  expected.insert(c.alsoDelivered.begin(), c.alsoDelivered.end());
  std::set<std::uint32_t> delivered;
  for (const Json& sample : result.userSamples) {
    const Json& data = sample.at("SampleData");
    const std::uint32_t n = data.at("seq").get<std::uint32_t>() - 1000;
    EXPECT_TRUE(delivered.insert(n).second) << "sample " << n << " delivered twice";
    KeyedSeqValue value = NumberedValue(n);
    if (c.name.rfind("Fragment", 0) == 0 && n == 3) value.baggage.assign(150, 3);
    EXPECT_EQ(data.dump(), KeyedSeqJson(value).dump());
    EXPECT_EQ(sample.at("SampleMetaData").at("DDSSampleInfo").at("publication_sequence_number").get<std::uint64_t>(), n);
  }
  EXPECT_EQ(delivered, expected);

  const EngineStatistics& statistics = result.statistics;
  EXPECT_EQ(statistics.framesRead, frames.size());
  EXPECT_EQ(statistics.userSamplesDelivered, expected.size());
  EXPECT_EQ(statistics.droppedMalformedInput, c.drops.malformed);
  EXPECT_EQ(statistics.droppedNonRtps, c.drops.nonRtps);
  EXPECT_EQ(statistics.droppedIncompleteFragments, c.drops.incomplete);
  EXPECT_EQ(statistics.droppedNoMatchingWriter, c.drops.noWriter);
  EXPECT_EQ(statistics.droppedConversionError, c.drops.conversion);
  EXPECT_EQ(statistics.droppedDissectionError, 0u);
  EXPECT_EQ(statistics.droppedCaptureOverflow, 0u);
  if (!c.logLine.empty()) {
    EXPECT_GE(log->Count(c.logLine), 1u) << c.logLine;
  }
}

INSTANTIATE_TEST_SUITE_P(PassiveE2E, MalformedRecordingTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

}  // namespace
}  // namespace Quorvel::e2e
