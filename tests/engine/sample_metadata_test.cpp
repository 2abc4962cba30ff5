// Metadata columns of a sample, compared whole as JSON and MAP: the sample information of a
// received sample, and the sample information, common and IP/UDP metadata of a captured one.

#include "engine/support/DeliveryFixture.h"

#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/DDSSample.h"
#include "dissection/SampleMetadata.h"
#include "dissection/SampleMetadataDissector.h"
#include "dissection/TypeProcessor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace Quorvel::Testing {
namespace {

using Map = std::map<std::string, std::string>;

std::shared_ptr<EngineConfig> MetadataConfig(EnumOutputFormat enums, BooleanFormat booleans) {
  auto config = OutputConfig(true, true);
  config->enumOutputFormat = enums;
  config->booleanFormat = booleans;
  std::vector<std::filesystem::path> paths;
  std::string participant;
  config->engineDDSConfig = std::make_shared<EngineDDSConfig>(
      EngineOperationMode::RECORD_DISSECTION, paths, -1, participant, false);
  config->InitConstantTypeProcessors();
  return config;
}

DDSGuidBytes Counting(std::uint8_t first) {
  DDSGuidBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

class SampleMetadataColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* zone = std::getenv("TZ");
    if (zone) savedZone = zone;
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (savedZone.empty()) {
      unsetenv("TZ");
    } else {
      setenv("TZ", savedZone.c_str(), 1);
    }
    tzset();
  }
  std::string savedZone;
};

TEST_F(SampleMetadataColumns, ReceivedSampleInformationAndDomain) {
  auto config = MetadataConfig(EnumOutputFormat::VALUE, BooleanFormat::NUMERIC);
  TrackProcessor processor(config, nullptr);
  auto info = std::make_shared<DDSSampleInfo>();
  info->sampleState = 1;
  info->viewState = 2;
  info->instanceState = 2;
  info->sourceTimestamp = {1704067200, 250000000};
  info->receptionTimestamp = {1704067201, 1999};
  info->publicationSequenceNumber = 42;
  info->receptionSequenceNumber = -7;
  info->instanceHandle = Counting(0);
  info->disposedGenerationCount = 1;
  info->noWritersGenerationCount = 2;
  info->sampleRank = 3;
  info->generationRank = 4;
  info->absoluteGenerationRank = -5;
  info->validData = false;
  info->publicationVirtualGuid = Counting(0xf0);
  info->publicationVirtualSequenceNumber = 9000000000;
  info->sourceGuid = Counting(0xa0);
  auto metadata = std::make_shared<SampleMetadata>();
  metadata->sampleInfo = info;
  metadata->common = SampleCommonMetadata{"Tracks", 12};
  auto sample = processor.MakeSample(3, metadata);
  SampleMetadataDissector::FeedOutputter(*sample, *config);

  const std::string zero = "0x00000000000000000000000000000000";
  EXPECT_EQ(sample->Output().ToJson(),
            R"({"SampleData":{"id":3,"flag":true,"pos":{"y":0.0,"x":1.5}},"SampleMetaData":{)"
            R"("DDSSampleInfo":{"sample_state":1,"view_state":2,"instance_state":2,)"
            R"("source_timestamp_microsec":1704067200250000,)"
            R"("source_timestamp_iso":"2024-01-01T00:00:00.250000+00:00",)"
            R"("reception_timestamp_microsec":1704067201000001,)"
            R"("reception_timestamp_iso":"2024-01-01T00:00:01.000001+00:00",)"
            R"("publication_sequence_number":42,"reception_sequence_number":-7,)"
            R"("instance_handle":"0x000102030405060708090a0b0c0d0e0f",)"
            R"("publication_handle":")" + zero + R"(","disposed_generation_count":1,)"
            R"("no_writers_generation_count":2,"sample_rank":3,"generation_rank":4,)"
            R"("absolute_generation_rank":-5,"valid_data":0,)"
            R"("publicationVirtualGuid":"0xf0f1f2f3f4f5f6f7f8f9fafbfcfdfeff",)"
            R"("publication_virtual_sequence_number":9000000000,)"
            R"("original_publication_virtual_guid":")" + zero + R"(",)"
            R"("original_publication_virtual_sequence_number":0,)"
            R"("source_guid":"0xa0a1a2a3a4a5a6a7a8a9aaabacadaeaf",)"
            R"("related_source_guid":")" + zero + R"(","related_subscription_guid":")" + zero +
            R"("},"CommonMetaData":{"topic_name":"Tracks","domain_id":12}}})");
  const std::string p = "SampleMetaData.DDSSampleInfo.";
  EXPECT_EQ(sample->Output().MapPrint(),
            (Map{{"SampleData.flag", "1"},
                 {"SampleData.id", "3"},
                 {"SampleData.pos.x", "1.5"},
                 {"SampleData.pos.y", "0"},
                 {"SampleMetaData.CommonMetaData.domain_id", "12"},
                 {"SampleMetaData.CommonMetaData.topic_name", "Tracks"},
                 {p + "absolute_generation_rank", "-5"},
                 {p + "disposed_generation_count", "1"},
                 {p + "generation_rank", "4"},
                 {p + "instance_handle", "0x000102030405060708090a0b0c0d0e0f"},
                 {p + "instance_state", "(2) - NOT_ALIVE_DISPOSED"},
                 {p + "no_writers_generation_count", "2"},
                 {p + "original_publication_virtual_guid", zero},
                 {p + "original_publication_virtual_sequence_number", "0"},
                 {p + "publicationVirtualGuid", "0xf0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"},
                 {p + "publication_handle", zero},
                 {p + "publication_sequence_number", "42"},
                 {p + "publication_virtual_sequence_number", "9000000000"},
                 {p + "reception_sequence_number", "-7"},
                 {p + "reception_timestamp_iso", "2024-01-01T00:00:01.000001+00:00"},
                 {p + "reception_timestamp_microsec", "1704067201000001"},
                 {p + "related_source_guid", zero},
                 {p + "related_subscription_guid", zero},
                 {p + "sample_rank", "3"},
                 {p + "sample_state", "(1) - ALREADY_READ_SAMPLE"},
                 {p + "source_guid", "0xa0a1a2a3a4a5a6a7a8a9aaabacadaeaf"},
                 {p + "source_timestamp_iso", "2024-01-01T00:00:00.250000+00:00"},
                 {p + "source_timestamp_microsec", "1704067200250000"},
                 {p + "valid_data", "0"},
                 {p + "view_state", "(2) - NOT_NEW_INSTANCE"}}));
}

TEST_F(SampleMetadataColumns, CapturedSampleCarriesAllThreeGroups) {
  auto config = MetadataConfig(EnumOutputFormat::NAME, BooleanFormat::STRING);
  TrackProcessor processor(config, nullptr);
  auto metadata = std::make_shared<SampleMetadata>();
  // Writer sequence number high 1, low 2.
  metadata->sampleInfo = std::make_shared<DDSSampleInfo>(DDSSampleInfo::ForCapturedSample(
      Counting(1), 4294967298, {1704067200, 999999999}, {1704067202, 5000}));
  metadata->common = SampleCommonMetadata{"Tracks", std::nullopt};
  auto passive = std::make_shared<SamplePassiveMetadata>();
  passive->ipHeader = {4, 20, 0, 1500, 54321, 1, 0, 0, 64, 0xbeef, "192.168.1.7", "239.255.0.1"};
  passive->udpHeader = {49152, 7401, 1480, 0x1234};
  metadata->passive = passive;
  auto sample = processor.MakeSample(2, metadata);
  SampleMetadataDissector::FeedOutputter(*sample, *config);

  const std::string zero = "0x00000000000000000000000000000000";
  const std::string writer = "0x0102030405060708090a0b0c0d0e0f10";
  EXPECT_EQ(sample->Output().ToJson(),
            R"({"SampleData":{"id":2,"flag":"FALSE","pos":{"y":0.0,"x":1.0}},"SampleMetaData":{)"
            R"("DDSSampleInfo":{"sample_state":"NOT_READ_SAMPLE","view_state":"NEW_INSTANCE",)"
            R"("instance_state":"ALIVE_INSTANCE","source_timestamp_microsec":"1704067200999999",)"
            R"("source_timestamp_iso":"2024-01-01T00:00:00.999999+00:00",)"
            R"("reception_timestamp_microsec":"1704067202000005",)"
            R"("reception_timestamp_iso":"2024-01-01T00:00:02.000005+00:00",)"
            R"("publication_sequence_number":"4294967298","reception_sequence_number":"0",)"
            R"("instance_handle":")" + zero + R"(","publication_handle":")" + writer + R"(",)"
            R"("disposed_generation_count":"0","no_writers_generation_count":"0","sample_rank":"0",)"
            R"("generation_rank":"0","absolute_generation_rank":"0","valid_data":"TRUE",)"
            R"("publicationVirtualGuid":")" + writer + R"(",)"
            R"("publication_virtual_sequence_number":"4294967298",)"
            R"("original_publication_virtual_guid":")" + writer + R"(",)"
            R"("original_publication_virtual_sequence_number":"4294967298",)"
            R"("source_guid":")" + writer + R"(","related_source_guid":")" + writer + R"(",)"
            R"("related_subscription_guid":")" + zero + R"("},)"
            R"("CommonMetaData":{"topic_name":"Tracks"},)"
            R"("PassiveMetaData":{"IPHeader":{"version":"4","header_length":"20","tos":"0",)"
            R"("total_len":"1500","identification":"54321","dont_fragment_flag":"1",)"
            R"("more_fragments_flag":"0","fragment_offset":"0","ttl":"64","crc":"48879",)"
            R"("src_ip":"192.168.1.7","dst_ip":"239.255.0.1"},)"
            R"("UDPHeader":{"src_port":"49152","dst_port":"7401","length":"1480","crc":"4660"}}}})");
  Map passiveKeys;
  for (const auto& [key, value] : sample->Output().MapPrint())
    if (key.rfind("SampleMetaData.PassiveMetaData.", 0) == 0 ||
        key.rfind("SampleMetaData.CommonMetaData.", 0) == 0)
      passiveKeys.emplace(key, value);
  const std::string ip = "SampleMetaData.PassiveMetaData.IPHeader.";
  const std::string udp = "SampleMetaData.PassiveMetaData.UDPHeader.";
  EXPECT_EQ(passiveKeys, (Map{{"SampleMetaData.CommonMetaData.topic_name", "Tracks"},
                              {ip + "crc", "48879"},
                              {ip + "dont_fragment_flag", "1"},
                              {ip + "dst_ip", "239.255.0.1"},
                              {ip + "fragment_offset", "0"},
                              {ip + "header_length", "20"},
                              {ip + "identification", "54321"},
                              {ip + "more_fragments_flag", "0"},
                              {ip + "src_ip", "192.168.1.7"},
                              {ip + "tos", "0"},
                              {ip + "total_len", "1500"},
                              {ip + "ttl", "64"},
                              {ip + "version", "4"},
                              {udp + "crc", "4660"},
                              {udp + "dst_port", "7401"},
                              {udp + "length", "1480"},
                              {udp + "src_port", "49152"}}));
  EXPECT_EQ(sample->Output().MapPrint().at("SampleMetaData.DDSSampleInfo.valid_data"), "TRUE");
  EXPECT_EQ(sample->Output().MapPrint().size(), 4u + 24u + 1u + 16u);
}

TEST_F(SampleMetadataColumns, ConstantProcessorsGiveTheFixedStringSizes) {
  auto config = MetadataConfig(EnumOutputFormat::VALUE, BooleanFormat::NUMERIC);
  EXPECT_EQ(config->sampleInfoTypeProcessor->TypeName(), "SampleInfoStruct");
  // Bounded strings take their bound plus the length notation of flattening.
  const std::uint64_t guid = config->sampleInfoTypeProcessor->GetTypeSizeByLongMemberName("source_guid");
  const std::uint64_t topic =
      config->commonMetadataTypeProcessor->GetTypeSizeByLongMemberName("topic_name");
  const std::uint64_t address =
      config->passiveMetadataTypeProcessor->GetTypeSizeByLongMemberName("IPHeader.src_ip");
  EXPECT_EQ(topic - guid, 255u - 34u);
  EXPECT_EQ(address - guid, 40u - 34u);
}

TEST_F(SampleMetadataColumns, SampleWithoutMetadataGetsNoMetadataColumns) {
  auto config = MetadataConfig(EnumOutputFormat::VALUE, BooleanFormat::NUMERIC);
  TrackProcessor processor(config, nullptr);
  auto sample = processor.MakeSample(1, std::make_shared<SampleMetadata>());
  const std::string before = sample->Output().ToJson();
  SampleMetadataDissector::FeedOutputter(*sample, *config);
  EXPECT_EQ(sample->Output().ToJson(), before);
  EXPECT_EQ(sample->Output().MapPrint().size(), 4u);
}

}  // namespace
}  // namespace Quorvel::Testing
