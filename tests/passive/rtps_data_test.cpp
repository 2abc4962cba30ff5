// RTPS message and DATA sub-message parsing, INFO_TS, routing by writer, and malformed input:
// each bad sub-message is dropped with its line and the rest of the message still counts.

#include "support/LogCapture.h"
#include "passive/WireReader.h"
#include "passive/support/RtpsFixture.h"

#include <gtest/gtest.h>

namespace Quorvel::passive {
namespace {

using testing::Append;
using testing::Bytes;
using testing::DataSpec;
using testing::Endian;
using Quorvel::testing::LogCapture;

// The same DATA twice, little- then big-endian: user writer 0x00000102, sequence number 42,
// eight bytes of CDR data behind the encapsulation header.
const Bytes kLittleEndianData{
    0x15, 0x05, 0x20, 0x00,                          // DATA, flags E|D, octetsToNextHeader 32
    0x00, 0x00, 0x10, 0x00,                          // extra flags, octetsToInlineQos 16
    0x00, 0x00, 0x00, 0x00,                          // readerId: unknown
    0x00, 0x00, 0x01, 0x02,                          // writerId: user writer with key
    0x00, 0x00, 0x00, 0x00, 0x2a, 0x00, 0x00, 0x00,  // writerSN: high 0, low 42
    0x00, 0x01, 0x00, 0x00,                          // encapsulation CDR_LE, options
    0x07, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}; // two longs: 7, 8
const Bytes kBigEndianData{
    0x15, 0x04, 0x00, 0x20,                          // DATA, flags D, octetsToNextHeader 32
    0x00, 0x00, 0x00, 0x10,                          // extra flags, octetsToInlineQos 16
    0x00, 0x00, 0x00, 0x00,                          // readerId
    0x00, 0x00, 0x01, 0x02,                          // writerId
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2a,  // writerSN 42
    0x00, 0x00, 0x00, 0x00,                          // encapsulation CDR_BE
    0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x08};

const Bytes kCdrLe{0x00, 0x01, 0x00, 0x00, 1, 2, 3, 4};

WriterKey UserWriter(uint32_t entity = 0x00000102) {
  GuidPrefix prefix;
  std::copy(testing::TestPrefix().begin(), testing::TestPrefix().end(), prefix.begin());
  return WriterKey::From(prefix, entity);
}

TEST(RtpsData, LittleAndBigEndianTwinsGiveTheSameHeader) {
  for (const Bytes* bytes : {&kLittleEndianData, &kBigEndianData}) {
    testing::RtpsFixture fixture;
    fixture.targets->knownWriters.insert(UserWriter());
    fixture.Process(*bytes);
    ASSERT_EQ(fixture.targets->userData.size(), 1u);
    const RTPSUserDataMessage& sample = *fixture.targets->userData[0];
    const RTPSUserDataMessageHeader& header = sample.header;
    const bool big = bytes == &kBigEndianData;
    EXPECT_EQ(header.bigEndian, big);
    EXPECT_EQ(header.payloadBigEndian, big);
    EXPECT_EQ(header.encapsulationId, big ? 0x0000 : 0x0001);
    EXPECT_EQ(header.writerSN.value, 42u);
    EXPECT_EQ(header.writerId.Text(), "00000102");
    EXPECT_EQ(header.writerId.kind, 0x02);
    EXPECT_EQ(header.readerId.value, 0u);
    EXPECT_TRUE(header.dataPresent);
    EXPECT_FALSE(header.keyPresent);
    EXPECT_EQ(sample.subMessageOffset, 20u);
    EXPECT_EQ(header.encapsulationOffset, 20u + 24u);  // payload offset 24 in the sub-message
    EXPECT_EQ(header.PayloadLength(), 12u);
    EXPECT_EQ(header.writerKey.GuidText(), "0x0102030405060708090a0b0c00000102");
    EXPECT_EQ(sample.CopySerializedPayload(), Bytes(bytes->begin() + 24, bytes->end()));
  }
}

TEST(RtpsData, WriterKeyIsThePrefixReadLittleEndianThenTheEntityBigEndian) {
  const WriterKey key = UserWriter(0x000003C2);
  EXPECT_EQ(key.words, (std::array<uint32_t, 4>{0x04030201, 0x08070605, 0x0c0b0a09, 0x000003C2}));
  std::array<uint8_t, 16> guid{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 3, 0xC2};
  EXPECT_EQ(WriterKey::FromGuidBytes(guid), key);
  EXPECT_EQ(key.GuidText(), "0x0102030405060708090a0b0c000003c2");
}

TEST(RtpsData, SequenceNumberHalvesFormOneValueInEitherOrder) {
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    DataSpec spec;
    spec.endian = endian;
    spec.sequence = (uint64_t{3} << 32) | 0xFFFFFFF0u;
    spec.payload = kCdrLe;
    fixture.Process(testing::Data(spec));
    ASSERT_EQ(fixture.targets->userData.size(), 1u);
    EXPECT_EQ(fixture.targets->userData[0]->header.writerSN.high, 3);
    EXPECT_EQ(fixture.targets->userData[0]->header.writerSN.low, 0xFFFFFFF0u);
    EXPECT_EQ(fixture.targets->userData[0]->header.writerSN.value, spec.sequence);
  }
}

TEST(RtpsData, InlineQosIsWalkedToTheSentinelInEitherOrder) {
  const Bytes keyHash{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                      0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    DataSpec spec;
    spec.endian = endian;
    spec.payload = kCdrLe;
    Append(spec.inlineQos, testing::Parameter(0x0070, keyHash, endian));        // PID_KEY_HASH
    Append(spec.inlineQos, testing::Parameter(0x0071, {0, 0, 0, 3}, endian));   // disposed|unreg.
    Append(spec.inlineQos, testing::Parameter(0x0000, {}, endian));            // PID_PAD
    Append(spec.inlineQos, testing::Parameter(0x8001, {9, 9, 9, 9}, endian));  // vendor, skipped
    Append(spec.inlineQos, testing::Sentinel(endian));
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    fixture.Process(testing::Data(spec));
    ASSERT_EQ(fixture.targets->userData.size(), 1u);
    const RTPSUserDataMessageHeader& header = fixture.targets->userData[0]->header;
    EXPECT_TRUE(header.inlineQos);
    ASSERT_TRUE(header.qos.keyHash.has_value());
    EXPECT_EQ(Bytes(header.qos.keyHash->begin(), header.qos.keyHash->end()), keyHash);
    EXPECT_EQ(header.qos.statusInfo, InlineQos::kDisposed | InlineQos::kUnregistered);
    EXPECT_EQ(header.qos.parameterCount, 3u);  // PID_PAD is skipped silently
    // 24 fixed bytes, 20 + 8 + 4 + 8 of parameters, 4 of sentinel.
    EXPECT_EQ(header.encapsulationOffset, 20u + 24u + 44u);
    EXPECT_EQ(fixture.targets->userData[0]->CopySerializedPayload(), kCdrLe);
  }
}

TEST(RtpsData, KeyOnlyAndDataLessSubMessagesAreRoutedWithTheirFlags) {
  testing::RtpsFixture fixture;
  fixture.targets->acceptEveryWriter = true;
  DataSpec keyOnly;
  keyOnly.payload = kCdrLe;
  keyOnly.keyOnly = true;
  DataSpec dispose;
  Append(dispose.inlineQos, testing::Parameter(0x0071, {0, 0, 0, 1}, Endian::LITTLE));
  Append(dispose.inlineQos, testing::Sentinel(Endian::LITTLE));
  Bytes both = testing::Data(keyOnly);
  Append(both, testing::Data(dispose));
  fixture.Process(both);
  ASSERT_EQ(fixture.targets->userData.size(), 2u);
  EXPECT_TRUE(fixture.targets->userData[0]->header.keyPresent);
  EXPECT_EQ(fixture.targets->userData[0]->CopySerializedPayload(), kCdrLe);
  EXPECT_FALSE(fixture.targets->userData[1]->header.dataPresent);
  EXPECT_EQ(fixture.targets->userData[1]->header.qos.statusInfo, InlineQos::kDisposed);
  EXPECT_TRUE(fixture.targets->userData[1]->CopySerializedPayload().empty());
}

TEST(RtpsData, InfoTimestampSetsTheTimeOfTheSubMessagesAfterIt) {
  DataSpec spec;
  spec.payload = kCdrLe;
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    Bytes subMessages = testing::Data(spec);                               // no time yet
    Append(subMessages, testing::InfoTs(1700000000, 0x80000000, endian));  // .5 s
    Append(subMessages, testing::Data(spec));
    Append(subMessages, testing::SubMessage(0x09, 0x02, endian, {}));      // invalidate
    Append(subMessages, testing::Data(spec));
    for (const auto& [seconds, fraction] :
         std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}, {0xFFFFFFFF, 0xFFFFFFFF},
                                                    {0x7FFFFFFF, 0xFFFFFFFF}}) {
      Append(subMessages, testing::InfoTs(seconds, fraction, endian));  // special times
    }
    Append(subMessages, testing::Data(spec));
    Append(subMessages, testing::InfoTs(1, 1, endian));  // the smallest fraction rounds down
    Append(subMessages, testing::Data(spec));
    LogCapture log;
    fixture.Process(subMessages);
    const auto& samples = fixture.targets->userData;
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_FALSE(samples[0]->messageHeader.hasSourceTimestamp);
    for (size_t i = 1; i < 4; ++i) {
      EXPECT_TRUE(samples[i]->messageHeader.hasSourceTimestamp);
      EXPECT_EQ(samples[i]->messageHeader.sourceTimestampNs, 1700000000500000000);
    }
    EXPECT_EQ(samples[4]->messageHeader.sourceTimestampNs, 1000000000);
    EXPECT_EQ(log.Count("Received an RTPS message with invalid timestamp"), 4u);
    EXPECT_EQ(log.Count("Updating sub-messages timestamp"), 2u);
  }
}

TEST(RtpsData, DataIsRoutedByItsWriter) {
  struct Case {
    uint32_t writer;
    const char* line;
    size_t participants, endpoints, userData;
  };
  const std::vector<Case> cases{
      {0x000100C2, "Enqueuing a Data(p) RTPS message #5 from Writer GUID 0x0102030405060708090a0b0c000100c2", 1, 0, 0},
      {0x000003C2, "Enqueuing a Endpoint Discovery RTPS message #5 from GUID 0x0102030405060708090a0b0c000003c2", 0, 1, 0},
      {0x000004C2, "Enqueuing a Endpoint Discovery RTPS message #5 from GUID 0x0102030405060708090a0b0c000004c2", 0, 1, 0},
      {0x00000102, "Enqueuing a UserData RTPS message #5", 0, 0, 1},
      {0x00000203, "Enqueuing a UserData RTPS message #5", 0, 0, 1},
      {0x00000302, "No DataWriter matches the UserData RTPS message #5 from Writer GUID 0x0102030405060708090a0b0c00000302. Make sure that Discovery messages are properly routed", 0, 0, 0},
      {0x000200C2, "Discarding a non Discovery / UserData DDS message #5", 0, 0, 0},
      {0x00000104, "Discarding a non Discovery / UserData DDS message #5", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    testing::RtpsFixture fixture;
    fixture.targets->knownWriters = {UserWriter(0x00000102), UserWriter(0x00000203)};
    DataSpec spec;
    spec.writerId = c.writer;
    spec.sequence = 5;
    spec.payload = kCdrLe;
    LogCapture log;
    fixture.Process(testing::Data(spec));
    EXPECT_EQ(log.Count(c.line), 1u);
    EXPECT_EQ(fixture.targets->participants.size(), c.participants);
    EXPECT_EQ(fixture.targets->endpoints.size(), c.endpoints);
    EXPECT_EQ(fixture.targets->userData.size(), c.userData);
  }
}

TEST(RtpsData, DiscoveryRecordsShareThePayloadAndKnowTheirPlace) {
  testing::RtpsFixture fixture;
  DataSpec spec;
  spec.writerId = 0x000003C2;
  spec.payload = {0x00, 0x03, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};  // PL_CDR_LE, sentinel
  Bytes subMessages = testing::InfoTs(10, 0, Endian::LITTLE);
  Append(subMessages, testing::Data(spec));
  fixture.Process(subMessages);
  ASSERT_EQ(fixture.targets->endpoints.size(), 1u);
  const RTPSDataSubMessage& data = *fixture.targets->endpoints[0];
  EXPECT_EQ(data.subMessageOffset, 20u + 12u);
  EXPECT_EQ(data.header.payloadOffset, 24);
  EXPECT_EQ(data.header.payloadLength, 8);
  EXPECT_EQ(data.header.encapsulationId, 0x0003);
  EXPECT_FALSE(data.header.payloadBigEndian);
  EXPECT_EQ(data.messageHeader.GuidPrefixText(), "0102030405060708090a0b0c");
  EXPECT_EQ(data.messageHeader.sourceTimestampNs, 10'000'000'000);
  EXPECT_EQ(data.message->payload->at(data.subMessageOffset), 0x15);
}

TEST(RtpsMessageHeader, VersionsProbesAndVendorsAreTreatedAsTheirKind) {
  DataSpec spec;
  spec.payload = kCdrLe;
  struct Case {
    Bytes header;
    const char* line;
    size_t routed;
  };
  const Bytes& prefix = testing::TestPrefix();
  const Bytes ping{'N', 'D', 'D', 'S', 'P', 'I', 'N', 'G', 0, 0, 0, 0};
  const std::vector<Case> cases{
      {testing::RtpsHeader(prefix, 1, 9), "Received an RTPS packet of version < 2. Discarding packet...", 0},
      {testing::RtpsHeader(ping, 2, 1, 0x0101), "Received an NDDSPING message. Discarding packet...", 0},
      {testing::RtpsHeader(prefix, 2, 0, 0x010f), "Receieved an RTPS packet from an unknown RTPS vendor ID 0x010f", 1},
      {testing::RtpsHeader(prefix, 3, 0, 0x0101), "Processing a UDP RTPS Message from 10.0.0.1 ip.id #7", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    Bytes rtps = c.header;
    Append(rtps, testing::Data(spec));
    LogCapture log;
    fixture.processor->ProcessMessage(testing::CapturedMessage(rtps));
    EXPECT_EQ(log.Count(c.line), 1u);
    EXPECT_EQ(fixture.targets->userData.size(), c.routed);
  }
  testing::RtpsFixture fixture;
  fixture.targets->acceptEveryWriter = true;
  fixture.Process(testing::Data(spec));
  EXPECT_EQ(fixture.targets->userData[0]->messageHeader.vendorName, "VENDOR_ID_UNKNOWN (0x0000)");
  RTPSMessageHeader rti;
  rti.vendorId = 0x010A;
  rti.DissectVendorID();
  EXPECT_EQ(rti.vendorName, "Real-Time Innovations, Inc. (RTI) - Connext DDS Micro");
}

TEST(RtpsMalformed, EachBadSubMessageIsDroppedWithItsLineAndTheOthersStillCount) {
  DataSpec good;
  good.payload = kCdrLe;
  good.sequence = 99;
  DataSpec noSentinel = good;
  noSentinel.payload.clear();
  noSentinel.inlineQos = testing::Parameter(0x0070, Bytes(16, 1), Endian::LITTLE);
  DataSpec longParameter = good;
  longParameter.payload.clear();
  longParameter.inlineQos = testing::Parameter(0x0071, {0, 0, 0, 1}, Endian::LITTLE);
  longParameter.inlineQos[2] = 0x40;  // claims 64 bytes
  DataSpec shortKeyHash = good;
  shortKeyHash.inlineQos = testing::Parameter(0x0070, {1, 2, 3, 4}, Endian::LITTLE);
  Append(shortKeyHash.inlineQos, testing::Sentinel(Endian::LITTLE));
  Bytes lowOctetsToQos = testing::Data(good);
  lowOctetsToQos[6] = 8;
  Bytes noEncapsulation = testing::Data(good);
  noEncapsulation.resize(4 + 20 + 2);
  noEncapsulation[2] = 22;
  Bytes shortInfoTs = testing::SubMessage(0x09, 0, Endian::LITTLE, {1, 2, 3, 4});
  struct Case {
    Bytes bad;
    std::string line;
  };
  const std::vector<Case> cases{
      {testing::Data(noSentinel),
       "parameter list at offset 76 has no PID_SENTINEL before the end of its sub-message"},
      {testing::Data(longParameter),
       "parameter 0x0071 of 64 bytes at offset 76 runs past the end of its sub-message (4 bytes left)"},
      {testing::Data(shortKeyHash), "inline QoS parameter 0x0070 holds 4 bytes, 16 expected"},
      {lowOctetsToQos, "octetsToInlineQos 8 is below 16"},
      {noEncapsulation, "4 bytes needed at offset 76, 2 left"},
      {shortInfoTs, "4 bytes needed at offset 60, 0 left"},
      {testing::SubMessage(0x15, 0x01, Endian::LITTLE, Bytes(10, 0)),
       "4 bytes needed at offset 64, 2 left"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    Bytes subMessages = testing::Data(good);
    Append(subMessages, c.bad);
    Append(subMessages, testing::Data(good));
    LogCapture log;
    fixture.Process(subMessages);
    const size_t badOffset = 20 + testing::Data(good).size();
    EXPECT_EQ(log.Count("at offset " + std::to_string(badOffset) +
                        " of an RTPS message from GUID prefix 0102030405060708090a0b0c: " +
                        c.line), 1u)
        << log.Messages().back();
    EXPECT_EQ(fixture.targets->userData.size(), 2u);
  }
}

TEST(RtpsMalformed, ALengthPastTheEndEndsTheWalkAfterWhatCameBefore) {
  DataSpec good;
  good.payload = kCdrLe;
  Bytes overrun = testing::Data(good);
  overrun[2] = 200;  // octetsToNextHeader 200, far fewer bytes follow
  for (const Bytes* bigTail : {&overrun}) {
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    Bytes subMessages = testing::Data(good);
    Append(subMessages, *bigTail);
    LogCapture log;
    fixture.Process(subMessages);
    EXPECT_EQ(fixture.targets->userData.size(), 1u);
    EXPECT_EQ(log.Count("Discarding the rest of an RTPS message from GUID prefix "
                        "0102030405060708090a0b0c: sub-message SUBMESSAGE_RTPS_DATA (0x15) at "
                        "offset 52 claims 200 bytes, 28 are left"),
              1u);
  }
  // Fewer than four bytes after the last sub-message.
  testing::RtpsFixture fixture;
  fixture.targets->acceptEveryWriter = true;
  Bytes subMessages = testing::Data(good);
  subMessages.push_back(0x15);
  subMessages.push_back(0x01);
  LogCapture log;
  fixture.Process(subMessages);
  EXPECT_EQ(fixture.targets->userData.size(), 1u);
  EXPECT_EQ(log.Count("Discarding 2 trailing bytes of an RTPS message at offset 52"), 1u);
  // A message too short for its own header.
  fixture.processor->ProcessMessage(testing::CapturedMessage(Bytes{'R', 'T', 'P', 'S', 2, 3}));
  EXPECT_EQ(log.Count("Discarding an RTPS message too short for its header: 20 bytes needed at "
                      "offset 0, 6 left"), 1u);
}

TEST(RtpsMalformed, ZeroOctetsToNextHeaderRunsToTheEndOfTheMessage) {
  DataSpec spec;
  spec.payload = kCdrLe;
  Bytes last = testing::Data(spec);
  last[2] = 0;
  last[3] = 0;
  last.insert(last.end(), {5, 6, 7, 8});  // more data up to the end of the message
  testing::RtpsFixture fixture;
  fixture.targets->acceptEveryWriter = true;
  Bytes subMessages = testing::SubMessage(0x01, 0, Endian::LITTLE, {});  // an empty PAD
  Append(subMessages, last);
  fixture.Process(subMessages);
  ASSERT_EQ(fixture.targets->userData.size(), 1u);
  EXPECT_EQ(fixture.targets->userData[0]->header.dataLength, 8u);
}

TEST(RtpsMalformed, UnknownVendorAndUnhandledSubMessagesAreSkipped) {
  DataSpec good;
  good.payload = kCdrLe;
  Bytes subMessages = testing::SubMessage(0x80, 0, Endian::LITTLE, Bytes(24, 0xEE));  // vendor
  Append(subMessages, testing::SubMessage(0x7F, 0, Endian::BIG, Bytes(8, 0xEE)));     // unknown
  Append(subMessages, testing::SubMessage(0x06, 0, Endian::LITTLE, Bytes(24, 0)));    // ACKNACK
  Append(subMessages, testing::SubMessage(0x07, 0, Endian::LITTLE, Bytes(28, 0)));    // HEARTBEAT
  Append(subMessages, testing::Data(good));
  testing::RtpsFixture fixture;
  fixture.targets->acceptEveryWriter = true;
  LogCapture log;
  fixture.Process(subMessages);
  EXPECT_EQ(fixture.targets->userData.size(), 1u);
  for (const char* line : {"Ignoring RTPS message type = SUBMESSAGE_RTI_CRC (0x80)",
                           "Ignoring RTPS message type =  (0x7f)",
                           "Ignoring RTPS message type = SUBMESSAGE_ACKNACK (0x06)",
                           "Ignoring RTPS message type = SUBMESSAGE_HEARTBEAT (0x07)"}) {
    EXPECT_EQ(log.Count(line), 1u) << line;
  }
}

TEST(RtpsRecording, UserDataWaitsForPendingEndpointDiscoveryWithinABound) {
  DataSpec spec;
  spec.payload = kCdrLe;
  {
    testing::RtpsFixture fixture(EngineOperationMode::RECORD_DISSECTION);
    fixture.targets->acceptEveryWriter = true;
    int polls = 0;
    fixture.targets->endpointDiscoveryPending = [&polls] { return ++polls < 4; };
    LogCapture log;
    fixture.Process(testing::Data(spec));
    EXPECT_EQ(polls, 4);
    EXPECT_EQ(log.Count("Waiting to finish processing discovery"), 3u);
    EXPECT_EQ(fixture.targets->userData.size(), 1u);
  }
  {
    testing::RtpsFixture fixture(EngineOperationMode::RECORD_DISSECTION);
    fixture.targets->acceptEveryWriter = true;
    fixture.targets->endpointDiscoveryPending = [] { return true; };
    fixture.processor->SetDiscoveryWaitLimit(std::chrono::milliseconds(30));
    LogCapture log;
    fixture.Process(testing::Data(spec));
    EXPECT_EQ(log.Count("Stopped waiting for endpoint discovery after 30 ms"), 1u);
    EXPECT_EQ(fixture.targets->userData.size(), 1u);
  }
  {
    testing::RtpsFixture live;  // live capture never waits
    live.targets->acceptEveryWriter = true;
    int polls = 0;
    live.targets->endpointDiscoveryPending = [&polls] { return ++polls > 0; };
    live.Process(testing::Data(spec));
    EXPECT_EQ(polls, 0);
  }
}

}  // namespace
}  // namespace Quorvel::passive
