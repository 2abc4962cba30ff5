// DATA_BATCH and DATA_SESSION built byte by byte: header fields in both byte orders, with and
// without inline QoS, every sample-information flag, routing, and malformed lists.

#include "support/LogCapture.h"
#include "passive/DataBatchSplitter.h"
#include "passive/WireError.h"
#include "passive/support/RtpsFixture.h"

#include <gtest/gtest.h>

namespace Quorvel::passive {
namespace {

using testing::Append;
using testing::BatchSample;
using testing::BatchSpec;
using testing::Bytes;
using testing::Endian;
using Quorvel::testing::LogCapture;

Bytes KeyHashQos(Endian endian, uint8_t fill) {
  Bytes qos = testing::Parameter(0x0070, Bytes(16, fill), endian);
  Append(qos, testing::Sentinel(endian));
  return qos;
}

// One sample per flag the list knows: plain, bit 0 (8 more bytes), bit 2 (8 more), bits 0 and
// 2, bit 1 (inline QoS after the entry), bit 5 (recorded), and no bit 3 (no data).
std::vector<BatchSample> EveryFlag(Endian endian) {
  return {
      {0x08, {}, {1, 1, 1, 1}},
      {0x09, {}, {2, 2, 2, 2, 2, 2, 2, 2}},
      {0x0C, {}, {3, 3, 3, 3}},
      {0x0D, {}, {4, 4, 4, 4}},
      {0x0A, KeyHashQos(endian, 0x55), {5, 5, 5, 5}},
      {0x28, {}, {6, 6, 6, 6}},
      {0x00, {}, {}},
  };
}

std::vector<std::shared_ptr<RTPSUserDataMessage>> RouteAndSplit(testing::RtpsFixture& fixture,
                                                                const Bytes& subMessages) {
  fixture.Process(subMessages);
  EXPECT_EQ(fixture.targets->batches.size(), 1u);
  if (fixture.targets->batches.empty()) return {};
  return SplitDataBatch(*fixture.targets->batches[0]);
}

TEST(RtpsBatch, EverySampleFlagInEitherOrderWithAndWithoutInlineQos) {
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    for (const bool withQos : {false, true}) {
      for (const uint8_t id : {uint8_t{0x18}, uint8_t{0x14}}) {
        SCOPED_TRACE(std::string(endian == Endian::BIG ? "big" : "little") +
                     (withQos ? ", inline QoS" : "") + ", id " + std::to_string(id));
        BatchSpec spec;
        spec.endian = endian;
        spec.id = id;
        spec.encapsulation = endian == Endian::BIG ? 0x0000 : 0x0001;
        spec.samples = EveryFlag(endian);
        if (withQos) spec.inlineQos = KeyHashQos(endian, 0x77);
        testing::RtpsFixture fixture;
        fixture.targets->acceptEveryWriter = true;
        const auto samples = RouteAndSplit(fixture, testing::DataBatch(spec));

        const RTPSDataBatchSubMessageHeader& header = fixture.targets->batches[0]->header;
        EXPECT_EQ(header.bigEndian, endian == Endian::BIG);
        EXPECT_EQ(header.batchSN.value, 7u);
        EXPECT_EQ(header.firstSampleSN.value, 7u);
        EXPECT_EQ(header.batchSampleCount, 7u);
        EXPECT_EQ(header.inlineQos, withQos);
        EXPECT_EQ(header.qos.keyHash.has_value(), withQos);
        // 40 fixed bytes, the key hash parameter (20) and sentinel (4), octetsToEncapsulation.
        EXPECT_EQ(header.sampleInfoOffset, withQos ? 40 + 20 + 4 + 4 : 40 + 4);
        EXPECT_EQ(header.payloadBigEndian, endian == Endian::BIG);

        ASSERT_EQ(samples.size(), spec.samples.size());
        const Bytes encapsulation{0x00, static_cast<uint8_t>(spec.encapsulation), 0x00, 0x00};
        for (size_t i = 0; i < samples.size(); ++i) {
          SCOPED_TRACE(i);
          const RTPSUserDataMessageHeader& sample = samples[i]->header;
          EXPECT_EQ(sample.sampleInfoFlags, spec.samples[i].flags);
          EXPECT_EQ(sample.writerSN.value, 7u);
          EXPECT_EQ(sample.writerId.value, 0x00000102u);
          EXPECT_EQ(sample.dataPresent, (spec.samples[i].flags & 0x08) != 0);
          EXPECT_EQ(sample.dataLength, spec.samples[i].data.size());
          EXPECT_EQ(sample.qos.keyHash.has_value(), (spec.samples[i].flags & 0x02) != 0);
          Bytes expected;
          if (sample.dataPresent) {
            expected = encapsulation;
            Append(expected, spec.samples[i].data);
          }
          EXPECT_EQ(samples[i]->CopySerializedPayload(), expected);
        }
      }
    }
  }
}

TEST(RtpsBatch, BatchesAreRoutedOnlyForMappedUserWriters) {
  BatchSpec spec;
  spec.samples = {{0x08, {}, {1, 2, 3, 4}}};
  {
    testing::RtpsFixture fixture;
    LogCapture log;
    fixture.Process(testing::DataBatch(spec));
    EXPECT_TRUE(fixture.targets->batches.empty());
    EXPECT_EQ(log.Count("No DataWriter matches the UserData RTPS message #7 from Writer GUID "
                        "0x0102030405060708090a0b0c00000102. Make sure that Discovery messages "
                        "are properly routed"),
              1u);
  }
  {
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    spec.writerId = 0x000003C2;
    LogCapture log;
    fixture.Process(testing::DataBatch(spec));
    EXPECT_TRUE(fixture.targets->batches.empty());
    EXPECT_EQ(log.Count("Discarding a non UserData RTPS Batch message #7"), 1u);
  }
}

TEST(RtpsBatch, MalformedBatchesAreDroppedWithTheirText) {
  BatchSpec spec;
  spec.samples = {{0x08, {}, {1, 2, 3, 4}}, {0x08, {}, {5, 6, 7, 8}}};
  const Bytes good = testing::DataBatch(spec);
  const size_t listLength = 40;  // where octetsToEncapsulation lies in the sub-message
  {
    SCOPED_TRACE("list past the end");
    Bytes bad = good;
    bad[listLength] = 0xF0;
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    LogCapture log;
    fixture.Process(bad);
    EXPECT_TRUE(fixture.targets->batches.empty());
    EXPECT_EQ(log.Count("octetsToEncapsulation 240 runs past the end of the sub-message"), 1u);
  }
  {
    SCOPED_TRACE("sample past the end");
    Bytes bad = good;
    bad[listLength + 4 + 8 + 4] = 9;  // list start, first entry, length field of the second  // the second sample claims 9 bytes, 4 are left
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    fixture.Process(bad);
    ASSERT_EQ(fixture.targets->batches.size(), 1u);
    EXPECT_THROW(
        {
          try {
            SplitDataBatch(*fixture.targets->batches[0]);
          } catch (const WireError& error) {
            EXPECT_STREQ(error.what(),
                         "sample 1 of 9 bytes runs past the DATA_BATCH (4 bytes left)");
            throw;
          }
        },
        WireError);
  }
  {
    SCOPED_TRACE("sample inline QoS without sentinel");
    BatchSpec noSentinel;
    noSentinel.samples = {{0x0A, testing::Parameter(0x0070, Bytes(16, 1), Endian::LITTLE), {1}}};
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    fixture.Process(testing::DataBatch(noSentinel));
    ASSERT_EQ(fixture.targets->batches.size(), 1u);
    EXPECT_THROW(SplitDataBatch(*fixture.targets->batches[0]), WireError);
  }
  {
    SCOPED_TRACE("entry cut short");
    Bytes bad = good;
    bad[listLength] = 12;  // the list ends inside the second entry
    testing::RtpsFixture fixture;
    fixture.targets->acceptEveryWriter = true;
    fixture.Process(bad);
    ASSERT_EQ(fixture.targets->batches.size(), 1u);
    EXPECT_THROW(SplitDataBatch(*fixture.targets->batches[0]), WireError);
  }
}

}  // namespace
}  // namespace Quorvel::passive
