// Discovery and user data through the whole engine, on recordings built byte by byte: what a
// Data(p), Data(w) or Data(r) makes the registry learn, which writers' samples become
// dissectable, what is delivered and what is dropped (with its log line and its counter).

#include "passive/support/EngineHarness.h"

#include "passive/HexText.h"
#include "passive/PassiveEngineDB.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace Quorvel::passive {
namespace {

using namespace testing;
using Quorvel::testing::LogCapture;

const Bytes kPrefixA = {1, 16, 0xAA, 0xBB, 1, 2, 3, 4, 5, 6, 7, 8};
const Bytes kPrefixB = {1, 16, 0xCC, 0xDD, 9, 9, 9, 9, 5, 6, 7, 8};
constexpr uint32_t kWriter = 0x00000102;
constexpr uint32_t kOtherWriter = 0x00000202;

std::string GuidText(const Bytes& prefix, uint32_t entity) {
  Bytes guid = prefix;
  PutU32(guid, entity, Endian::BIG);
  return "0x" + HexText(guid);
}

WriterKey KeyOf(const Bytes& prefix, uint32_t entity) {
  Bytes guid = prefix;
  PutU32(guid, entity, Endian::BIG);
  return WriterKey::FromGuidBytes(std::span<const uint8_t, 16>(guid.data(), 16));
}

Bytes UserData(uint32_t writer, uint64_t sequence, uint32_t seq, uint32_t key) {
  DataSpec spec;
  spec.writerId = writer;
  spec.sequence = sequence;
  spec.payload = KeyedSeqPayload(seq, key, {1, 2, 3});
  return Data(spec);
}

std::string Field(const DeliveredSample& sample, const std::string& key) {
  const auto found = sample.fields.find(key);
  return found == sample.fields.end() ? "<missing>" : found->second;
}

// Dissects `frames` as one recording and waits for it.
void Dissect(EngineHarness& harness, const std::string& name, const std::vector<Bytes>& frames) {
  harness.engine->DissectRecordingFile(TemporaryPcap(name, frames), true);
}

TEST(PassiveDiscovery, ParticipantAnnouncedTwiceIsInsertedOnceAndDeliveredTwice) {
  LogCapture log;
  EngineHarness harness;
  Dissect(harness, "participant_twice",
          {Frame(kPrefixA, ParticipantData(kPrefixA, 7, "first", 1), 1),
           Frame(kPrefixA, ParticipantData(kPrefixA, 9, "second", 2), 2)});
  const auto samples = harness.listener.DiscoverySamples();
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(log.Count("Inserted a new Data(p) " + GuidText(kPrefixA, 0x1C1) + " to DB"), 1u);
  const auto record =
      harness.engine->Registry()->GetParticipantDiscoveryRecordByKey(KeyOf(kPrefixA, 0x1C1));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->participantName, "first");
  EXPECT_EQ(record->domainId, 7u);
  // Columns in their order, with the second announcement's own values.
  EXPECT_EQ(samples[1].json.substr(0, samples[1].json.find("\"SampleMetaData\"")),
            "{\"SampleData\":{\"domain_id\":9,\"entity_name\":\"second\",\"entity_guid\":\"" +
                GuidText(kPrefixA, 0x1C1) +
                "\",\"product_version\":\"0.10.2.0\",\"protocol_version\":\"2.3\"},");
  EXPECT_EQ(Field(samples[1], "SampleMetaData.DDSSampleInfo.publication_sequence_number"), "2");
  EXPECT_EQ(Field(samples[1], "SampleMetaData.CommonMetaData.topic_name"), "DCPSParticipant");
  EXPECT_EQ(Field(samples[1], "SampleMetaData.PassiveMetaData.IPHeader.src_ip"), "10.0.0.1");
  EXPECT_EQ(harness.engine->Statistics().discoverySamplesDelivered, 2u);
}

TEST(PassiveDiscovery, WriterOfUnknownTypeMapsNothingAndItsDataFindsNoWriter) {
  LogCapture log;
  EngineHarness harness;
  Dissect(harness, "unknown_type",
          {Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "Mystery", "NoSuchType"), 1),
           Frame(kPrefixA, UserData(kWriter, 5, 1, 1), 2)});
  const auto& registry = *harness.engine->Registry();
  EXPECT_FALSE(registry.IsPassiveUserDataProcessorExists("NoSuchType"));
  EXPECT_TRUE(registry.GetEndpointDiscoveryRecords().empty());
  EXPECT_EQ(log.Count("Exception in PassiveEndpointDiscoveryProcessor: Cannot find minimal "
                      "required information (TopicName / TypeName / EntityID) in Data(w) "
                      "message. Ignoring entity."),
            1u);
  EXPECT_EQ(log.Count("No DataWriter matches the UserData RTPS message #5 from Writer GUID " +
                      GuidText(kPrefixA, kWriter) +
                      ". Make sure that Discovery messages are properly routed"),
            1u);
  EXPECT_TRUE(harness.listener.Samples().empty());
  const EngineStatistics statistics = harness.engine->Statistics();
  EXPECT_EQ(statistics.droppedUnknownType, 1u);
  EXPECT_EQ(statistics.droppedNoMatchingWriter, 1u);
}

TEST(PassiveDiscovery, TwoWritersOfOneTypeShareOneProcessor) {
  LogCapture log;
  EngineHarness harness;
  Dissect(harness, "two_writers",
          {Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "TopicA", "KeyedSeq"), 1),
           Frame(kPrefixB, EndpointData(kPrefixB, kOtherWriter, "TopicB", "KeyedSeq"), 2),
           Frame(kPrefixA, UserData(kWriter, 1, 11, 1), 3),
           Frame(kPrefixB, UserData(kOtherWriter, 1, 22, 2), 4)});
  EXPECT_EQ(log.Count("Inserted a new passiveUserDataProcessor to DB for Type KeyedSeq"), 1u);
  // The two announcements may be handled at once on two pool threads: the second either sees
  // the processor already there, or loses the insertion race and keeps the first one.
  EXPECT_EQ(log.Count("PassiveUserDataProcessor already exists for type KeyedSeq") +
                log.Count("PassiveUserDataProcessor to TypeName  = KeyedSeq already exists in DB. "
                          "Ignoring record"),
            1u);
  EXPECT_EQ(harness.engine->Registry()->UserDataQueueSizes().size(), 1u);
  std::set<std::string> delivered;
  for (const auto& sample : harness.listener.UserSamples()) {
    delivered.insert(Field(sample, "SampleMetaData.CommonMetaData.topic_name") + " " +
                     Field(sample, "SampleData.seq") + " " +
                     Field(sample, "SampleMetaData.DDSSampleInfo.publication_handle"));
  }
  EXPECT_EQ(delivered, (std::set<std::string>{"TopicA 11 " + GuidText(kPrefixA, kWriter),
                                              "TopicB 22 " + GuidText(kPrefixB, kOtherWriter)}));
}

TEST(PassiveDiscovery, WriterReannouncedWithAnotherTypeIsRemapped) {
  const auto folder = std::filesystem::temp_directory_path() / "veltrane_passive_tests";
  std::filesystem::create_directories(folder);
  const std::string otherTypes = (folder / "counter.xml").string();
  std::ofstream(otherTypes) << R"(<dds><types><struct name="Counter">
      <member name="count" type="int32"/></struct></types></dds>)";
  HarnessOptions options;
  options.typeFiles.push_back(otherTypes);
  LogCapture log;
  EngineHarness harness(options);
  Bytes counter = {0x00, 0x01, 0x00, 0x00};
  PutU32(counter, 77, Endian::LITTLE);
  DataSpec counterData;
  counterData.writerId = kWriter;
  counterData.sequence = 2;
  counterData.payload = counter;
  Dissect(harness, "remapped",
          {Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "Seq", "KeyedSeq", false, 1), 1),
           Frame(kPrefixA, UserData(kWriter, 1, 5, 5), 2),
           Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "Count", "Counter", false, 2), 3),
           Frame(kPrefixA, Data(counterData), 4)});
  EXPECT_EQ(log.Count("Replacing DW Endpoint Discovery mapping for DW GUID " +
                      GuidText(kPrefixA, kWriter) + " from TypeKeyedSeq to type TypeCounter"),
            1u);
  // Each type's processor dissects its own sample; the two may finish in either order.
  std::set<std::string> delivered;
  for (const auto& sample : harness.listener.UserSamples()) {
    delivered.insert(sample.fields.count("SampleData.count")
                         ? "Counter " + Field(sample, "SampleData.count") + " " +
                               Field(sample, "SampleMetaData.CommonMetaData.topic_name")
                         : "KeyedSeq " + Field(sample, "SampleData.seq"));
  }
  EXPECT_EQ(delivered, (std::set<std::string>{"KeyedSeq 5", "Counter 77 Count"}));
  const auto writers = harness.engine->DiscoveredWritersInfo();
  ASSERT_EQ(writers.size(), 1u);
  EXPECT_EQ(writers[0].typeName, "Counter");
}

TEST(PassiveDiscovery, ReaderAnnouncementIsDeliveredAndCreatesNoProcessor) {
  EngineHarness harness;
  Dissect(harness, "reader",
          {Frame(kPrefixA, EndpointData(kPrefixA, 0x00000107, "TopicR", "KeyedSeq", true), 1),
           Frame(kPrefixA, UserData(0x00000107, 1, 1, 1), 2)});
  EXPECT_FALSE(harness.engine->Registry()->IsPassiveUserDataProcessorExists("KeyedSeq"));
  EXPECT_TRUE(harness.engine->DiscoveredWritersInfo().empty());
  const auto samples = harness.listener.Samples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_FALSE(samples[0].user);
  EXPECT_EQ(samples[0].json.substr(0, samples[0].json.find("\"SampleMetaData\"")),
            "{\"SampleData\":{\"entity_name\":\"TopicR_DW\",\"entity_guid\":\"" +
                GuidText(kPrefixA, 0x00000107) +
                "\",\"topic_name\":\"TopicR\",\"type_name\":\"KeyedSeq\"},");
  EXPECT_EQ(Field(samples[0], "SampleMetaData.DDSSampleInfo.publication_handle"),
            GuidText(kPrefixA, 0x000004C2));
}

TEST(PassiveDiscovery, WriterAddedByHandMakesItsDataDissectable) {
  EngineHarness harness;
  const std::string guid = GuidText(kPrefixB, kWriter);
  harness.engine->AddWriterDiscoveryData(guid.substr(2), "Manual", "KeyedSeq");
  Dissect(harness, "manual", {Frame(kPrefixB, UserData(kWriter, 3, 33, 4), 1)});
  const auto samples = harness.listener.UserSamples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(Field(samples[0], "SampleData.seq"), "33");
  EXPECT_EQ(Field(samples[0], "SampleData.keyval"), "4");
  EXPECT_EQ(Field(samples[0], "SampleData.baggage[2]"), "3");
  EXPECT_EQ(Field(samples[0], "SampleMetaData.CommonMetaData.topic_name"), "Manual");
  const auto writers = harness.engine->DiscoveredWritersInfo();
  ASSERT_EQ(writers.size(), 1u);
  EXPECT_EQ(writers[0].name, "");
  EXPECT_EQ(writers[0].parentName, "Publisher");
  EXPECT_EQ(writers[0].qualifiedName, "Publisher::");
  EXPECT_EQ(writers[0].topicName, "Manual");
  EXPECT_EQ(writers[0].typeName, "KeyedSeq");
  EXPECT_EQ(writers[0].guid, guid);
}

TEST(PassiveDiscovery, DiscoveredWritersListsCapturedWritersInKeyOrder) {
  EngineHarness harness;
  Dissect(harness, "listing",
          {Frame(kPrefixB, EndpointData(kPrefixB, kWriter, "TopicB", "KeyedSeq"), 1),
           Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "TopicA", "KeyedSeq"), 2)});
  const auto writers = harness.engine->DiscoveredWritersInfo();
  ASSERT_EQ(writers.size(), 2u);
  // Keys order the prefix as little-endian words: 0xBBAA1001 before 0xDDCC1001.
  EXPECT_EQ(writers[0].name, "TopicA_DW");
  EXPECT_EQ(writers[0].qualifiedName, "Publisher::TopicA_DW");
  EXPECT_EQ(writers[1].topicName, "TopicB");
  EXPECT_EQ(writers[1].guid, GuidText(kPrefixB, kWriter));
}

TEST(PassiveUserData, DropsSamplesWithoutDataOrThatDoNotDecode) {
  LogCapture log;
  EngineHarness harness;
  DataSpec dispose;
  dispose.writerId = kWriter;
  dispose.sequence = 2;
  DataSpec truncated;
  truncated.writerId = kWriter;
  truncated.sequence = 3;
  truncated.payload = {0x00, 0x01, 0x00, 0x00, 1, 0, 0, 0};  // seq, then nothing
  Dissect(harness, "drops",
          {Frame(kPrefixA, EndpointData(kPrefixA, kWriter, "T", "KeyedSeq"), 1),
           Frame(kPrefixA, Data(dispose), 2), Frame(kPrefixA, Data(truncated), 3),
           Frame(kPrefixA, UserData(kWriter, 4, 4, 4), 4)});
  const auto samples = harness.listener.UserSamples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(Field(samples[0], "SampleData.seq"), "4");
  EXPECT_EQ(log.Count("Received message with no data. Discarding ..."), 1u);
  EXPECT_EQ(log.Count(" Error converting buffer to sample. Discarding message. Error = "), 1u);
  const EngineStatistics statistics = harness.engine->Statistics();
  EXPECT_EQ(statistics.droppedNoData, 1u);
  EXPECT_EQ(statistics.droppedConversionError, 1u);
  EXPECT_EQ(statistics.userSamplesDelivered, 1u);
}

}  // namespace
}  // namespace Quorvel::passive
