#include "active/ActiveSampleMetadata.h"

#include "dissection/CommonHelperFunctions.h"
#include "dissection/Outputter.h"
#include "middleware/transport/SampleInfo.h"

#include <nlohmann/json.hpp>

#include <array>

namespace Quorvel {
namespace {

const std::string kSampleInfoPrefix = "SampleMetaData.DDSSampleInfo";
const std::string kCommonPrefix = "SampleMetaData.CommonMetaData";

std::string Hex(const std::array<std::uint8_t, 16>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "0x";
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

// '(2) - NOT_ALIVE_DISPOSED'; empty for a value outside the listed ones.
std::string StateText(std::uint64_t value, std::initializer_list<std::pair<std::uint64_t, const char*>> names) {
  for (const auto& [known, name] : names) {
    if (known == value) return "(" + std::to_string(value) + ") - " + name;
  }
  return {};
}

void AddState(Outputter& output, const char* column, std::uint64_t value,
              std::initializer_list<std::pair<std::uint64_t, const char*>> names) {
  output.AddValue<unsigned long>(column, kSampleInfoPrefix, value, StateText(value, names));
}

void AddTime(Outputter& output, const std::string& column, const Transport::Timestamp& time) {
  const std::uint64_t micros = time.Microseconds();
  output.AddValue<unsigned long>(column + "_microsec", kSampleInfoPrefix, micros, std::to_string(micros));
  output.AddValueString(column + "_iso", kSampleInfoPrefix, {},
                        CommonHelperFunctions::EpochMicrosecondsToIso8601(micros));
}

void AddSequence(Outputter& output, const char* column, std::int64_t value) {
  output.AddValue<long long>(column, kSampleInfoPrefix, value, std::to_string(value));
}

void AddCount(Outputter& output, const char* column, std::int32_t value) {
  output.AddValue<int>(column, kSampleInfoPrefix, value, std::to_string(value));
}

void AddGuid(Outputter& output, const char* column, const std::array<std::uint8_t, 16>& bytes) {
  output.AddValueString(column, kSampleInfoPrefix, {}, Hex(bytes));
}

// The group in tempJson moves to its place in the document.
void StoreGroup(Outputter& output, const char* group) {
  nlohmann::ordered_json& temp = output.TempJson();
  if (!temp.is_null()) output.SampleJson()["SampleMetaData"][group] = std::move(temp);
  temp = nullptr;
}

void FeedSampleInfo(Outputter& output, const Transport::SampleInfo& info) {
  output.TempJson() = nullptr;
  AddState(output, "sample_state", static_cast<std::uint64_t>(info.sampleState),
           {{2, "NOT_READ_SAMPLE"}, {1, "ALREADY_READ_SAMPLE"}});
  AddState(output, "view_state", static_cast<std::uint64_t>(info.viewState),
           {{1, "NEW_INSTANCE"}, {2, "NOT_NEW_INSTANCE"}});
  AddState(output, "instance_state", static_cast<std::uint64_t>(info.instanceState),
           {{1, "ALIVE_INSTANCE"}, {2, "NOT_ALIVE_DISPOSED"}, {4, "NOT_ALIVE_NO_WRITERS"}});
  AddTime(output, "source_timestamp", info.sourceTimestamp);
  AddTime(output, "reception_timestamp", info.receptionTimestamp);
  AddSequence(output, "publication_sequence_number", info.sequenceNumber);
  // Fast DDS does not number receptions.
  AddSequence(output, "reception_sequence_number", 0);
  AddGuid(output, "instance_handle", info.instanceHandle);
  AddGuid(output, "publication_handle", info.publicationHandle);
  AddCount(output, "disposed_generation_count", info.disposedGenerationCount);
  AddCount(output, "no_writers_generation_count", info.noWritersGenerationCount);
  AddCount(output, "sample_rank", info.sampleRank);
  AddCount(output, "generation_rank", info.generationRank);
  AddCount(output, "absolute_generation_rank", info.absoluteGenerationRank);
  const bool asText = output.Settings().booleanFormat == BooleanFormat::STRING;
  output.AddValue<unsigned char>("valid_data", kSampleInfoPrefix, info.validData ? 1 : 0,
                                 asText ? (info.validData ? "TRUE" : "FALSE")
                                        : (info.validData ? "1" : "0"));
  AddGuid(output, "publicationVirtualGuid", info.writerGuid);
  AddSequence(output, "publication_virtual_sequence_number", info.sequenceNumber);
  AddGuid(output, "original_publication_virtual_guid", info.writerGuid);
  AddSequence(output, "original_publication_virtual_sequence_number", info.sequenceNumber);
  AddGuid(output, "source_guid", info.writerGuid);
  AddGuid(output, "related_source_guid", info.relatedWriterGuid);
  AddGuid(output, "related_subscription_guid", {});
  StoreGroup(output, "DDSSampleInfo");
}

void FeedCommon(Outputter& output, const std::string& topicName, std::optional<std::int64_t> domainId) {
  output.TempJson() = nullptr;
  output.AddValueString("topic_name", kCommonPrefix, topicName, topicName);
  if (domainId) {
    output.AddValue<long>("domain_id", kCommonPrefix, *domainId, std::to_string(*domainId));
  } else {
    output.AddValue<long>("domain_id", kCommonPrefix, 0, std::nullopt);
  }
  StoreGroup(output, "CommonMetaData");
}

}  // namespace

void FeedActiveSampleMetadata(Outputter& output, const Transport::SampleInfo& info,
                              const std::string& topicName, std::optional<std::int64_t> domainId) {
  FeedSampleInfo(output, info);
  FeedCommon(output, topicName, domainId);
}

}  // namespace Quorvel
