// DATA_BATCH and DATA_SESSION sub-messages built byte by byte, written into recordings and
// dissected end to end through the facade: both byte orders, with and without inline QoS,
// every sample-information flag. No peer here sends them, so the bytes follow the published
// layout (DDSI-RTPS 2.x batch: sample-information list, then one encapsulation header and the
// samples' serialized data one after another).

#include "passive_e2e/support/KeyedSeqRecording.h"
#include "passive_e2e/support/RecordingRun.h"

#include <gtest/gtest.h>

#include <map>

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;
using passive::testing::Append;
using passive::testing::BatchSample;
using passive::testing::BatchSpec;

constexpr std::uint64_t kBatchSequence = 7;

Bytes KeyHashQos(Endian endian) {
  Bytes qos = passive::testing::Parameter(0x0070, Bytes(16, 0x5a), endian);
  Append(qos, passive::testing::Sentinel(endian));
  return qos;
}

// One sample per flag combination: bit 3 (serialized data) alone, with bit 0 and bit 2 (8
// more bytes of sample information each), with bit 1 (inline QoS after the entry), with bit 5;
// and one without bit 3, which carries no data.
struct FlaggedSample {
  std::uint8_t flags;
  std::uint32_t number;  // NumberedValue
};
const std::vector<FlaggedSample> kSamples{{0x08, 1}, {0x09, 2}, {0x0C, 3}, {0x0D, 4}, {0x0A, 5}, {0x28, 6}, {0x00, 7}};

BatchSpec Batch(const SyntheticWriter& writer, Endian endian, std::uint8_t id, bool inlineQos) {
  BatchSpec spec;
  spec.endian = endian;
  spec.id = id;
  spec.writerId = writer.entityId;
  spec.batchSequence = kBatchSequence;
  spec.encapsulation = endian == Endian::BIG ? 0x0000 : 0x0001;
  if (inlineQos) spec.inlineQos = KeyHashQos(endian);
  for (const FlaggedSample& sample : kSamples) {
    BatchSample entry;
    entry.flags = sample.flags;
    if (sample.flags & 0x02) entry.inlineQos = KeyHashQos(endian);
    if (sample.flags & 0x08) entry.data = KeyedSeqBody(NumberedValue(sample.number), endian);
    spec.samples.push_back(entry);
  }
  return spec;
}

struct BatchCase {
  std::string name;
  Endian endian;
  std::uint8_t id;
  bool inlineQos;
};

std::vector<BatchCase> Cases() {
  std::vector<BatchCase> cases;
  for (const Endian endian : {Endian::LITTLE, Endian::BIG}) {
    for (const std::uint8_t id : {std::uint8_t{0x18}, std::uint8_t{0x14}}) {
      for (const bool qos : {false, true}) {
        cases.push_back({std::string(id == 0x18 ? "DataBatch" : "DataSession") +
                             (endian == Endian::BIG ? "BigEndian" : "LittleEndian") + (qos ? "InlineQos" : ""),
                         endian, id, qos});
      }
    }
  }
  return cases;
}

class BatchRecordingTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchRecordingTest, EverySampleWithDataIsDeliveredWithTheBatchSequenceNumber) {
  const BatchCase& c = GetParam();
  const SyntheticWriter writer = MakeWriter(0x21, "BatchTopic");
  const std::string path = ScratchRecordingPath(c.name);
  WriteRecording(path, {{Frame(RtpsMessage(writer.prefix, PublicationAnnouncement(writer, c.endian)), 1)},
                        {Frame(RtpsMessage(writer.prefix, passive::testing::DataBatch(Batch(writer, c.endian, c.id, c.inlineQos))), 2)}});

  const RecordingResult result = DissectRecording(path, {TestDataPath("passive/keyedseq.xml")});

  std::map<std::uint32_t, Json> deliveredBySeq;
  for (const Json& sample : result.userSamples) {
    const Json& info = sample.at("SampleMetaData").at("DDSSampleInfo");
    EXPECT_EQ(info.at("publication_sequence_number").get<std::uint64_t>(), kBatchSequence);
    EXPECT_EQ(info.at("source_guid").get<std::string>(), "0x" + writer.GuidText());
    EXPECT_EQ(sample.at("SampleMetaData").at("CommonMetaData").at("topic_name"), "BatchTopic");
    const Json& data = sample.at("SampleData");
    EXPECT_TRUE(deliveredBySeq.emplace(data.at("seq").get<std::uint32_t>(), data).second) << "delivered twice";
  }
  std::size_t withData = 0;
  for (const FlaggedSample& sample : kSamples) {
    if (!(sample.flags & 0x08)) continue;
    ++withData;
    const KeyedSeqValue value = NumberedValue(sample.number);
    SCOPED_TRACE("flags " + std::to_string(sample.flags));
    ASSERT_TRUE(deliveredBySeq.count(value.seq));
    EXPECT_EQ(deliveredBySeq[value.seq].dump(), KeyedSeqJson(value).dump());
  }
  EXPECT_EQ(result.userSamples.size(), withData);
  EXPECT_EQ(result.statistics.userSamplesDelivered, withData);
  EXPECT_EQ(result.statistics.droppedNoData, kSamples.size() - withData);
  EXPECT_EQ(result.statistics.discoverySamplesDelivered, 1u);
  EXPECT_EQ(result.statistics.droppedMalformedInput, 0u);
  EXPECT_EQ(result.statistics.framesRead, 2u);
  EXPECT_EQ(result.statistics.rtpsMessagesParsed, 2u);
}

INSTANTIATE_TEST_SUITE_P(PassiveE2E, BatchRecordingTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

TEST(BatchRecording, BatchOfAnUnannouncedWriterCountsEverySampleAsUnmatched) {
  const SyntheticWriter announced = MakeWriter(0x22, "Announced");
  const SyntheticWriter stranger = MakeWriter(0x23, "Stranger");
  const std::string path = ScratchRecordingPath("BatchOfUnannouncedWriter");
  WriteRecording(path, {{Frame(RtpsMessage(announced.prefix, PublicationAnnouncement(announced, Endian::LITTLE)), 1)},
                        {Frame(RtpsMessage(stranger.prefix, passive::testing::DataBatch(Batch(stranger, Endian::LITTLE, 0x18, false))), 2)},
                        {Frame(RtpsMessage(announced.prefix, passive::testing::DataBatch(Batch(announced, Endian::LITTLE, 0x18, false))), 3)}});

  const RecordingResult result = DissectRecording(path, {TestDataPath("passive/keyedseq.xml")});

  EXPECT_EQ(result.userSamples.size(), 6u);
  EXPECT_EQ(result.statistics.droppedNoMatchingWriter, kSamples.size())
      << "samples in the file = samples delivered + samples dropped";
  EXPECT_EQ(result.statistics.droppedNoData, 1u);
}

}  // namespace
}  // namespace Quorvel::e2e
