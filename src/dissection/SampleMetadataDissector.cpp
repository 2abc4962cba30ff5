#include "dissection/SampleMetadataDissector.h"

#include "dissection/CommonHelperFunctions.h"
#include "dissection/DDSSample.h"
#include "dissection/SampleMetadata.h"
#include "dissection/TypeProcessor.h"
#include "engine/core/EngineConfig.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace Quorvel::SampleMetadataDissector {
namespace {

const std::string kSampleInfoPrefix = "SampleMetaData.DDSSampleInfo";
const std::string kCommonPrefix = "SampleMetaData.CommonMetaData";
const std::string kIPHeaderPrefix = "SampleMetaData.PassiveMetaData.IPHeader";
const std::string kUDPHeaderPrefix = "SampleMetaData.PassiveMetaData.UDPHeader";

struct StateName {
  std::uint32_t value;
  const char* name;
};

constexpr StateName kSampleStates[] = {{1, "ALREADY_READ_SAMPLE"}, {2, "NOT_READ_SAMPLE"}};
constexpr StateName kViewStates[] = {{1, "NEW_INSTANCE"}, {2, "NOT_NEW_INSTANCE"}};
constexpr StateName kInstanceStates[] = {
    {1, "ALIVE_INSTANCE"}, {2, "NOT_ALIVE_DISPOSED"}, {4, "NOT_ALIVE_NO_WRITERS"}};

// "(2) - NOT_READ_SAMPLE"; empty for a value the table does not name.
template <std::size_t N>
std::string StateText(std::uint32_t value, const StateName (&names)[N]) {
  for (const StateName& entry : names)
    if (entry.value == value) return "(" + std::to_string(value) + ") - " + entry.name;
  return {};
}

std::string HexWithNotation(const DDSGuidBytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "0x";
  text.reserve(2 + 2 * bytes.size());
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

// Writes one group's columns; the group's JSON lands at `place` under the sample document.
class GroupWriter {
 public:
  GroupWriter(Outputter& output, const TypeProcessor* sizes, std::string prefix,
              std::string sizePrefix = {})
      : output(output), sizes(sizes), prefix(std::move(prefix)), sizePrefix(std::move(sizePrefix)) {
    output.TempJson() = nlohmann::ordered_json();
  }

  template <typename T>
  void Number(const std::string& name, T value, std::string text) {
    output.AddValue<T>(name, prefix, value, std::move(text));
  }

  // `typeMemberName`: the member of the internal type that sizes the column, when it is named
  // differently from the column.
  void Text(const std::string& name, const std::string& text,
            const std::string& typeMemberName = {}) {
    output.AddValueString(name, prefix, RowCopy(typeMemberName.empty() ? name : typeMemberName, text),
                          text);
  }

  void StoreAt(std::initializer_list<const char*> place) {
    nlohmann::ordered_json* target = &output.SampleJson();
    for (const char* key : place) target = &(*target)[key];
    *target = std::move(output.TempJson());
    output.TempJson() = nlohmann::ordered_json();
  }

  Outputter& Output() { return output; }
  const std::string& Prefix() const { return prefix; }

 private:
  // The row buffer holds strings at their fixed size from the internal metadata types.
  std::string RowCopy(const std::string& name, const std::string& text) const {
    if (!output.Settings().Has(DissectionBitMap::kRowBuffer) || sizes == nullptr) return {};
    std::string raw = text;
    raw.resize(sizes->GetTypeSizeByLongMemberName(sizePrefix + name), '\0');
    return raw;
  }

  Outputter& output;
  const TypeProcessor* sizes;
  std::string prefix;
  std::string sizePrefix;
};

std::string Unsigned(std::uint64_t value) { return std::to_string(value); }
std::string Signed(std::int64_t value) { return std::to_string(value); }

}  // namespace

void FeedOutputter(DDSSample& sample, const EngineConfig& config) {
  FeedOutputterSampleInfo(sample, config);
  FeedOutputterCommonMetadata(sample, config);
  FeedOutputterPassiveMetadata(sample, config);
}

void FeedOutputterSampleInfo(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->sampleInfo) return;
  const DDSSampleInfo& info = *sample.Metadata()->sampleInfo;
  GroupWriter group(sample.Output(), config.sampleInfoTypeProcessor.get(), kSampleInfoPrefix);
  using UL = unsigned long;
  group.Number<UL>("sample_state", info.sampleState, StateText(info.sampleState, kSampleStates));
  group.Number<UL>("view_state", info.viewState, StateText(info.viewState, kViewStates));
  group.Number<UL>("instance_state", info.instanceState,
                   StateText(info.instanceState, kInstanceStates));
  const std::uint64_t source = info.sourceTimestamp.Microseconds();
  group.Number<UL>("source_timestamp_microsec", source, Unsigned(source));
  group.Text("source_timestamp_iso", CommonHelperFunctions::EpochMicrosecondsToIso8601(source));
  const std::uint64_t reception = info.receptionTimestamp.Microseconds();
  group.Number<UL>("reception_timestamp_microsec", reception, Unsigned(reception));
  group.Text("reception_timestamp_iso",
             CommonHelperFunctions::EpochMicrosecondsToIso8601(reception));
  using LL = long long;
  group.Number<LL>("publication_sequence_number", info.publicationSequenceNumber,
                   Signed(info.publicationSequenceNumber));
  group.Number<LL>("reception_sequence_number", info.receptionSequenceNumber,
                   Signed(info.receptionSequenceNumber));
  group.Text("instance_handle", HexWithNotation(info.instanceHandle));
  group.Text("publication_handle", HexWithNotation(info.publicationHandle));
  group.Number<int>("disposed_generation_count", info.disposedGenerationCount,
                    Signed(info.disposedGenerationCount));
  group.Number<int>("no_writers_generation_count", info.noWritersGenerationCount,
                    Signed(info.noWritersGenerationCount));
  group.Number<int>("sample_rank", info.sampleRank, Signed(info.sampleRank));
  group.Number<int>("generation_rank", info.generationRank, Signed(info.generationRank));
  group.Number<int>("absolute_generation_rank", info.absoluteGenerationRank,
                    Signed(info.absoluteGenerationRank));
  const bool asText = group.Output().Settings().booleanFormat == BooleanFormat::STRING;
  group.Number<unsigned char>("valid_data", info.validData ? 1 : 0,
                              asText ? (info.validData ? "TRUE" : "FALSE")
                                     : (info.validData ? "1" : "0"));
  group.Text("publicationVirtualGuid", HexWithNotation(info.publicationVirtualGuid),
             "publication_virtual_guid");
  group.Number<LL>("publication_virtual_sequence_number", info.publicationVirtualSequenceNumber,
                   Signed(info.publicationVirtualSequenceNumber));
  group.Text("original_publication_virtual_guid",
             HexWithNotation(info.originalPublicationVirtualGuid));
  group.Number<LL>("original_publication_virtual_sequence_number",
                   info.originalPublicationVirtualSequenceNumber,
                   Signed(info.originalPublicationVirtualSequenceNumber));
  group.Text("source_guid", HexWithNotation(info.sourceGuid));
  group.Text("related_source_guid", HexWithNotation(info.relatedSourceGuid));
  group.Text("related_subscription_guid", HexWithNotation(info.relatedSubscriptionGuid));
  group.StoreAt({"SampleMetaData", "DDSSampleInfo"});
}

void FeedOutputterCommonMetadata(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->common) return;
  const SampleCommonMetadata& common = *sample.Metadata()->common;
  GroupWriter group(sample.Output(), config.commonMetadataTypeProcessor.get(), kCommonPrefix);
  group.Text("topic_name", common.topic_name);
  if (common.domain_id) {
    group.Number<long>("domain_id", *common.domain_id, Signed(*common.domain_id));
  } else {
    group.Output().AddValue<long>("domain_id", group.Prefix(), 0, std::nullopt);
  }
  group.StoreAt({"SampleMetaData", "CommonMetaData"});
}

void FeedOutputterPassiveMetadata(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->passive) return;
  const SamplePassiveMetadata& passive = *sample.Metadata()->passive;
  const TypeProcessor* sizes = config.passiveMetadataTypeProcessor.get();
  const IPHeaderFields& ip = passive.ipHeader;
  GroupWriter ipGroup(sample.Output(), sizes, kIPHeaderPrefix, "IPHeader.");
  using UC = unsigned char;
  using UI = unsigned int;
  using US = unsigned short;
  ipGroup.Number<UC>("version", ip.version, Unsigned(ip.version));
  ipGroup.Number<UI>("header_length", ip.headerLength, Unsigned(ip.headerLength));
  ipGroup.Number<UC>("tos", ip.tos, Unsigned(ip.tos));
  ipGroup.Number<UI>("total_len", ip.totalLength, Unsigned(ip.totalLength));
  ipGroup.Number<US>("identification", ip.identification, Unsigned(ip.identification));
  ipGroup.Number<UC>("dont_fragment_flag", ip.dontFragment, Unsigned(ip.dontFragment));
  ipGroup.Number<UC>("more_fragments_flag", ip.moreFragments, Unsigned(ip.moreFragments));
  ipGroup.Number<US>("fragment_offset", ip.fragmentOffset, Unsigned(ip.fragmentOffset));
  ipGroup.Number<US>("ttl", ip.ttl, Unsigned(ip.ttl));
  ipGroup.Number<US>("crc", ip.crc, Unsigned(ip.crc));
  ipGroup.Text("src_ip", ip.sourceAddress);
  ipGroup.Text("dst_ip", ip.destinationAddress);
  ipGroup.StoreAt({"SampleMetaData", "PassiveMetaData", "IPHeader"});

  const UDPHeaderFields& udp = passive.udpHeader;
  GroupWriter udpGroup(sample.Output(), sizes, kUDPHeaderPrefix, "UDPHeader.");
  udpGroup.Number<US>("src_port", udp.sourcePort, Unsigned(udp.sourcePort));
  udpGroup.Number<US>("dst_port", udp.destinationPort, Unsigned(udp.destinationPort));
  udpGroup.Number<US>("length", udp.length, Unsigned(udp.length));
  udpGroup.Number<US>("crc", udp.crc, Unsigned(udp.crc));
  udpGroup.StoreAt({"SampleMetaData", "PassiveMetaData", "UDPHeader"});
}

}  // namespace Quorvel::SampleMetadataDissector
