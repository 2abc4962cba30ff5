#include "dissection/SampleMetadataDissector.h"

#include "dissection/CommonHelperFunctions.h"
#include "dissection/DDSSample.h"
#include "dissection/MetadataTexts.h"
#include "dissection/SampleMetadata.h"
#include "dissection/TypeProcessor.h"
#include "engine/core/EngineConfig.h"

#include <array>
#include <charconv>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace Quorvel::SampleMetadataDissector {
namespace {

constexpr std::string_view kSampleInfoPrefix = "SampleMetaData.DDSSampleInfo";
constexpr std::string_view kCommonPrefix = "SampleMetaData.CommonMetaData";
constexpr std::string_view kIPHeaderPrefix = "SampleMetaData.PassiveMetaData.IPHeader";
constexpr std::string_view kUDPHeaderPrefix = "SampleMetaData.PassiveMetaData.UDPHeader";

// The columns' output names, made once for all samples.
struct SampleInfoNames {
  OutputName Name(std::string_view name) const { return OutputName(kSampleInfoPrefix, name); }
  OutputName sampleState = Name("sample_state");
  OutputName viewState = Name("view_state");
  OutputName instanceState = Name("instance_state");
  OutputName sourceMicroseconds = Name("source_timestamp_microsec");
  OutputName sourceIso = Name("source_timestamp_iso");
  OutputName receptionMicroseconds = Name("reception_timestamp_microsec");
  OutputName receptionIso = Name("reception_timestamp_iso");
  OutputName publicationSequence = Name("publication_sequence_number");
  OutputName receptionSequence = Name("reception_sequence_number");
  OutputName instanceHandle = Name("instance_handle");
  OutputName publicationHandle = Name("publication_handle");
  OutputName disposedCount = Name("disposed_generation_count");
  OutputName noWritersCount = Name("no_writers_generation_count");
  OutputName sampleRank = Name("sample_rank");
  OutputName generationRank = Name("generation_rank");
  OutputName absoluteGenerationRank = Name("absolute_generation_rank");
  OutputName validData = Name("valid_data");
  OutputName virtualGuid = Name("publicationVirtualGuid");
  OutputName virtualSequence = Name("publication_virtual_sequence_number");
  OutputName originalVirtualGuid = Name("original_publication_virtual_guid");
  OutputName originalVirtualSequence = Name("original_publication_virtual_sequence_number");
  OutputName sourceGuid = Name("source_guid");
  OutputName relatedSourceGuid = Name("related_source_guid");
  OutputName relatedSubscriptionGuid = Name("related_subscription_guid");
};

struct CommonNames {
  OutputName topicName{kCommonPrefix, "topic_name"};
  OutputName domainId{kCommonPrefix, "domain_id"};
};

struct IPHeaderNames {
  OutputName Name(std::string_view name) const { return OutputName(kIPHeaderPrefix, name); }
  OutputName version = Name("version");
  OutputName headerLength = Name("header_length");
  OutputName tos = Name("tos");
  OutputName totalLength = Name("total_len");
  OutputName identification = Name("identification");
  OutputName dontFragment = Name("dont_fragment_flag");
  OutputName moreFragments = Name("more_fragments_flag");
  OutputName fragmentOffset = Name("fragment_offset");
  OutputName ttl = Name("ttl");
  OutputName crc = Name("crc");
  OutputName sourceAddress = Name("src_ip");
  OutputName destinationAddress = Name("dst_ip");
};

struct UDPHeaderNames {
  OutputName Name(std::string_view name) const { return OutputName(kUDPHeaderPrefix, name); }
  OutputName sourcePort = Name("src_port");
  OutputName destinationPort = Name("dst_port");
  OutputName length = Name("length");
  OutputName crc = Name("crc");
};

template <typename Names>
const Names& NamesOf() {
  static const Names names;
  return names;
}

struct StateName {
  std::uint32_t value;
  std::string_view text;
};

constexpr StateName kSampleStates[] = {{1, "(1) - ALREADY_READ_SAMPLE"},
                                       {2, "(2) - NOT_READ_SAMPLE"}};
constexpr StateName kViewStates[] = {{1, "(1) - NEW_INSTANCE"}, {2, "(2) - NOT_NEW_INSTANCE"}};
constexpr StateName kInstanceStates[] = {{1, "(1) - ALIVE_INSTANCE"},
                                         {2, "(2) - NOT_ALIVE_DISPOSED"},
                                         {4, "(4) - NOT_ALIVE_NO_WRITERS"}};

// "(2) - NOT_READ_SAMPLE"; empty for a value the table does not name.
template <std::size_t N>
std::string_view StateText(std::uint32_t value, const StateName (&names)[N]) {
  for (const StateName& entry : names)
    if (entry.value == value) return entry.text;
  return {};
}

// Texts of numbers and GUIDs, formatted on the stack.
class ShortText {
 public:
  template <typename T>
  static ShortText Number(T value) {
    ShortText text;
    text.size = static_cast<std::size_t>(
        std::to_chars(text.buffer, text.buffer + sizeof text.buffer, value).ptr - text.buffer);
    return text;
  }

  static ShortText Hex(const DDSGuidBytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    static_assert(2 + 2 * sizeof(DDSGuidBytes) <= sizeof buffer);
    ShortText text;
    text.buffer[text.size++] = '0';
    text.buffer[text.size++] = 'x';
    for (std::uint8_t byte : bytes) {
      text.buffer[text.size++] = kDigits[byte >> 4];
      text.buffer[text.size++] = kDigits[byte & 0x0F];
    }
    return text;
  }

  std::string_view View() const { return {buffer, size}; }

 private:
  char buffer[40];
  std::size_t size = 0;
};

// Writes one group's columns into the JSON object at `place` and the flat map.
class GroupWriter {
 public:
  GroupWriter(Outputter& output, const TypeProcessor* sizes,
              std::initializer_list<std::string_view> place, std::string sizePrefix = {})
      : output(output), sizes(sizes), sizePrefix(std::move(sizePrefix)) {
    output.BeginJsonGroup(place);
  }

  template <typename T>
  void Number(const OutputName& column, T value) {
    // Only the map, the value line and the texts of the enumeration formats show the text:
    // JSON alone writes the number itself.
    if (!output.UsesValueTexts()) {
      output.AddValue<T>(column, value, std::string_view());
      return;
    }
    output.AddValue<T>(column, value, ShortText::Number(value).View());
  }

  template <typename T>
  void Number(const OutputName& column, T value, std::string_view text) {
    output.AddValue<T>(column, value, text);
  }

  // `typeMemberName`: the member of the internal type that sizes the column, when it is named
  // differently from the column.
  void Text(const OutputName& column, std::string_view text, std::string_view typeMemberName = {}) {
    AddText(column, text, typeMemberName, false);
  }
  // A text this library formatted (digits, hexadecimal, times, dotted addresses): nothing in it
  // needs JSON escaping.
  void OwnText(const OutputName& column, std::string_view text, std::string_view typeMemberName = {}) {
    AddText(column, text, typeMemberName, true);
  }

  void End() { output.EndJsonGroup(); }

  Outputter& Output() { return output; }

 private:
  void AddText(const OutputName& column, std::string_view text, std::string_view typeMemberName,
               bool plainText) {
    output.AddValueString(column, RowCopy(typeMemberName.empty() ? column.name : typeMemberName, text),
                          text, plainText);
  }

  // The row buffer holds strings at their fixed size from the internal metadata types.
  std::string RowCopy(std::string_view name, std::string_view text) const {
    if (!output.Settings().Has(DissectionBitMap::kRowBuffer) || sizes == nullptr) return {};
    std::string raw(text);
    raw.resize(sizes->GetTypeSizeByLongMemberName(sizePrefix + std::string(name)), '\0');
    return raw;
  }

  Outputter& output;
  const TypeProcessor* sizes;
  std::string sizePrefix;
};

void WriteSampleInfo(Outputter& output, const DDSSampleInfo& info, const TypeProcessor* sizes) {
  const SampleInfoNames& names = NamesOf<SampleInfoNames>();
  GroupWriter group(output, sizes, {"SampleMetaData", "DDSSampleInfo"});
  using UL = unsigned long;
  group.Number<UL>(names.sampleState, info.sampleState, StateText(info.sampleState, kSampleStates));
  group.Number<UL>(names.viewState, info.viewState, StateText(info.viewState, kViewStates));
  group.Number<UL>(names.instanceState, info.instanceState,
                   StateText(info.instanceState, kInstanceStates));
  const std::uint64_t source = info.sourceTimestamp.Microseconds();
  group.Number<UL>(names.sourceMicroseconds, source);
  group.OwnText(names.sourceIso, CommonHelperFunctions::EpochMicrosecondsToIso8601Text(source).View());
  const std::uint64_t reception = info.receptionTimestamp.Microseconds();
  group.Number<UL>(names.receptionMicroseconds, reception);
  group.OwnText(names.receptionIso,
             CommonHelperFunctions::EpochMicrosecondsToIso8601Text(reception).View());
  using LL = long long;
  group.Number<LL>(names.publicationSequence, info.publicationSequenceNumber);
  group.Number<LL>(names.receptionSequence, info.receptionSequenceNumber);
  group.OwnText(names.instanceHandle, ShortText::Hex(info.instanceHandle).View());
  group.OwnText(names.publicationHandle, ShortText::Hex(info.publicationHandle).View());
  group.Number<int>(names.disposedCount, info.disposedGenerationCount);
  group.Number<int>(names.noWritersCount, info.noWritersGenerationCount);
  group.Number<int>(names.sampleRank, info.sampleRank);
  group.Number<int>(names.generationRank, info.generationRank);
  group.Number<int>(names.absoluteGenerationRank, info.absoluteGenerationRank);
  const bool asText = group.Output().Settings().booleanFormat == BooleanFormat::STRING;
  group.Number<unsigned char>(names.validData, info.validData ? 1 : 0,
                              asText ? (info.validData ? "TRUE" : "FALSE")
                                     : (info.validData ? "1" : "0"));
  group.OwnText(names.virtualGuid, ShortText::Hex(info.publicationVirtualGuid).View(),
             "publication_virtual_guid");
  group.Number<LL>(names.virtualSequence, info.publicationVirtualSequenceNumber);
  group.OwnText(names.originalVirtualGuid, ShortText::Hex(info.originalPublicationVirtualGuid).View());
  group.Number<LL>(names.originalVirtualSequence, info.originalPublicationVirtualSequenceNumber);
  group.OwnText(names.sourceGuid, ShortText::Hex(info.sourceGuid).View());
  group.OwnText(names.relatedSourceGuid, ShortText::Hex(info.relatedSourceGuid).View());
  group.OwnText(names.relatedSubscriptionGuid, ShortText::Hex(info.relatedSubscriptionGuid).View());
  group.End();
}

void WriteCommon(Outputter& output, const SampleCommonMetadata& common,
                 const TypeProcessor* sizes) {
  const CommonNames& names = NamesOf<CommonNames>();
  GroupWriter group(output, sizes, {"SampleMetaData", "CommonMetaData"});
  group.Text(names.topicName, common.topic_name);
  if (common.domain_id) {
    group.Number<long>(names.domainId, *common.domain_id);
  } else {
    group.Output().AddValue<long>(names.domainId, 0, std::nullopt);
  }
  group.End();
}

void WritePassiveHeaders(Outputter& output, const SamplePassiveMetadata& passive,
                         const TypeProcessor* sizes) {
  const IPHeaderFields& ip = passive.ipHeader;
  const IPHeaderNames& ipNames = NamesOf<IPHeaderNames>();
  GroupWriter ipGroup(output, sizes, {"SampleMetaData", "PassiveMetaData", "IPHeader"},
                      "IPHeader.");
  using UC = unsigned char;
  using UI = unsigned int;
  using US = unsigned short;
  ipGroup.Number<UC>(ipNames.version, ip.version);
  ipGroup.Number<UI>(ipNames.headerLength, ip.headerLength);
  ipGroup.Number<UC>(ipNames.tos, ip.tos);
  ipGroup.Number<UI>(ipNames.totalLength, ip.totalLength);
  ipGroup.Number<US>(ipNames.identification, ip.identification);
  ipGroup.Number<UC>(ipNames.dontFragment, ip.dontFragment);
  ipGroup.Number<UC>(ipNames.moreFragments, ip.moreFragments);
  ipGroup.Number<US>(ipNames.fragmentOffset, ip.fragmentOffset);
  ipGroup.Number<US>(ipNames.ttl, ip.ttl);
  ipGroup.Number<US>(ipNames.crc, ip.crc);
  ipGroup.OwnText(ipNames.sourceAddress, ip.sourceAddress);
  ipGroup.OwnText(ipNames.destinationAddress, ip.destinationAddress);
  ipGroup.End();

  const UDPHeaderFields& udp = passive.udpHeader;
  const UDPHeaderNames& udpNames = NamesOf<UDPHeaderNames>();
  GroupWriter udpGroup(output, sizes, {"SampleMetaData", "PassiveMetaData", "UDPHeader"},
                       "UDPHeader.");
  udpGroup.Number<US>(udpNames.sourcePort, udp.sourcePort);
  udpGroup.Number<US>(udpNames.destinationPort, udp.destinationPort);
  udpGroup.Number<US>(udpNames.length, udp.length);
  udpGroup.Number<US>(udpNames.crc, udp.crc);
  udpGroup.End();
}

// The settings under which the texts of samples that share their datagram's metadata are
// shared too: JSON only, numbers as values.
bool SharesJson(const OutputSettings& settings) {
  return settings.Has(DissectionBitMap::kJson) && !settings.Has(DissectionBitMap::kFlatMap) &&
         !settings.Has(DissectionBitMap::kValueLine) &&
         !settings.Has(DissectionBitMap::kRowBuffer) &&
         settings.enumOutputFormat == EnumOutputFormat::VALUE;
}

// The members of the group "SampleMetaData"."`group`" as `write` writes them into a document of
// their own under those settings.
std::string GroupMembers(std::string_view group, const std::function<void(Outputter&)>& write) {
  OutputSettings jsonOnly;
  jsonOnly.outputs = DissectionBitMap(DissectionBitMap::kJson);
  Outputter output(0, nullptr, jsonOnly);
  write(output);
  output.Finish();
  const std::string& text = output.ListenerJson();
  const std::string opening = R"({"SampleMetaData":{")" + std::string(group) + "\":{";
  constexpr std::string_view kClosing = "}}}";
  if (text.size() < opening.size() + kClosing.size() || text.compare(0, opening.size(), opening) != 0 ||
      text.compare(text.size() - kClosing.size(), kClosing.size(), kClosing) != 0) {
    throw std::logic_error(std::string(group) + " written as " + text);
  }
  return text.substr(opening.size(), text.size() - opening.size() - kClosing.size());
}

// Values that no other column of the group can show: source and reception times in the year
// 2100 and sequence numbers near the most negative, one per hole.
constexpr std::uint64_t kSourceTimeMark = 4102444800123457;
constexpr std::uint64_t kReceptionTimeMark = 4102531200654321;
constexpr std::array<std::int64_t, 3> kSequenceMarks = {-8070450532247928831, -8070450532247928830,
                                                        -8070450532247928829};

DDSTime TimeOf(std::uint64_t microseconds) {
  return {static_cast<std::int64_t>(microseconds / 1000000),
          static_cast<std::uint32_t>(microseconds % 1000000) * 1000u};
}

std::string IsoText(std::uint64_t microseconds) {
  return std::string(CommonHelperFunctions::EpochMicrosecondsToIso8601Text(microseconds).View());
}

std::shared_ptr<const SampleInfoTemplate> MakeSampleInfoTemplate(const DDSSampleInfo& key) {
  DDSSampleInfo marked = key;
  marked.sourceTimestamp = TimeOf(kSourceTimeMark);
  marked.receptionTimestamp = TimeOf(kReceptionTimeMark);
  marked.publicationSequenceNumber = kSequenceMarks[0];
  marked.publicationVirtualSequenceNumber = kSequenceMarks[1];
  marked.originalPublicationVirtualSequenceNumber = kSequenceMarks[2];
  const std::string members = GroupMembers(
      "DDSSampleInfo", [&marked](Outputter& output) { WriteSampleInfo(output, marked, nullptr); });
  const std::array<std::string, SampleInfoTemplate::kHoles> marks = {
      std::to_string(kSourceTimeMark),     IsoText(kSourceTimeMark),
      std::to_string(kReceptionTimeMark),  IsoText(kReceptionTimeMark),
      std::to_string(kSequenceMarks[0]),   std::to_string(kSequenceMarks[1]),
      std::to_string(kSequenceMarks[2])};
  auto made = std::make_shared<SampleInfoTemplate>();
  std::size_t from = 0;
  for (std::size_t hole = 0; hole < marks.size(); ++hole) {
    const std::string& mark = marks[hole];
    const std::size_t at = members.find(mark, from);
    // Only where every hole shows exactly once, in column order, is the template exact.
    if (at == std::string::npos || members.find(mark, at + mark.size()) != std::string::npos)
      return nullptr;
    made->pieces[hole] = members.substr(from, at - from);
    from = at + mark.size();
  }
  made->pieces[marks.size()] = members.substr(from);
  return made;
}

void WriteSampleInfoFromTemplate(Outputter& output, const SampleInfoTemplate& made,
                                 const DDSSampleInfo& info, const MetadataTexts::Found& times) {
  const ShortText sourceMicroseconds = ShortText::Number(info.sourceTimestamp.Microseconds());
  const ShortText receptionMicroseconds = ShortText::Number(info.receptionTimestamp.Microseconds());
  const ShortText publication = ShortText::Number(info.publicationSequenceNumber);
  const ShortText virtualSequence = ShortText::Number(info.publicationVirtualSequenceNumber);
  const ShortText original = ShortText::Number(info.originalPublicationVirtualSequenceNumber);
  output.AddJsonGroupMembers(
      {"SampleMetaData", "DDSSampleInfo"},
      {made.pieces[0], sourceMicroseconds.View(), made.pieces[1], times.sourceTime.View(),
       made.pieces[2], receptionMicroseconds.View(), made.pieces[3], times.receptionTime.View(),
       made.pieces[4], publication.View(), made.pieces[5], virtualSequence.View(), made.pieces[6],
       original.View(), made.pieces[7]});
}

}  // namespace

void FeedOutputter(DDSSample& sample, const EngineConfig& config) {
  FeedOutputterSampleInfo(sample, config);
  FeedOutputterCommonMetadata(sample, config);
  FeedOutputterPassiveMetadata(sample, config);
}

void FeedOutputterSampleInfo(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->sampleInfo) return;
  const DDSSampleInfo& info = *sample.Metadata()->sampleInfo;
  Outputter& output = sample.Output();
  if (const auto& texts = sample.Metadata()->metadataTexts; texts && SharesJson(output.Settings())) {
    const MetadataTexts::Found found = texts->Find(info, &MakeSampleInfoTemplate);
    if (found.made) {
      WriteSampleInfoFromTemplate(output, *found.made, info, found);
      return;
    }
  }
  WriteSampleInfo(output, info, config.sampleInfoTypeProcessor.get());
}

void FeedOutputterCommonMetadata(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->common) return;
  const SampleCommonMetadata& common = *sample.Metadata()->common;
  Outputter& output = sample.Output();
  if (const auto& texts = sample.Metadata()->metadataTexts; texts && SharesJson(output.Settings())) {
    const auto members = texts->CommonMembers(common, [](const SampleCommonMetadata& key) {
      return GroupMembers("CommonMetaData",
                          [&key](Outputter& group) { WriteCommon(group, key, nullptr); });
    });
    output.AddJsonGroupMembers({"SampleMetaData", "CommonMetaData"}, {*members});
    return;
  }
  WriteCommon(output, common, config.commonMetadataTypeProcessor.get());
}

void FeedOutputterPassiveMetadata(DDSSample& sample, const EngineConfig& config) {
  if (!sample.Metadata() || !sample.Metadata()->passive) return;
  const SamplePassiveMetadata& passive = *sample.Metadata()->passive;
  Outputter& output = sample.Output();
  if (SharesJson(output.Settings())) {
    passive.jsonOnce.Run([&passive] {
      passive.json = GroupMembers("PassiveMetaData", [&passive](Outputter& headers) {
        WritePassiveHeaders(headers, passive, nullptr);
      });
    });
    output.AddJsonGroupMembers({"SampleMetaData", "PassiveMetaData"}, {passive.json});
    return;
  }
  WritePassiveHeaders(output, passive, config.passiveMetadataTypeProcessor.get());
}

}  // namespace Quorvel::SampleMetadataDissector
