#include "passive/DiscoveryParameters.h"

#include "common/Log.h"
#include "passive/HexText.h"
#include "passive/ParameterList.h"
#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveParticipantDiscoveryRecord.h"
#include "passive/RTPSDataSubMessage.h"

#include <algorithm>
#include <span>
#include <string>

namespace Quorvel::passive {
namespace {

constexpr size_t kEncapsulationHeaderSize = 4;
constexpr size_t kGuidSize = 16;
constexpr size_t kStringValue = 0;  // expected length of a CDR string: whatever it announces

template <typename Record>
struct ParameterRule {
  uint16_t pid;
  const char* name;
  size_t expectedLength;  // kStringValue for strings
  void (*apply)(WireReader& value, Record& record, WriterKey& key);
  std::string (*current)(const Record& record);  // the kept value, for the warning
};

// A CDR string: u32 length counting the terminating NUL, then the characters.
std::string ReadCdrString(WireReader& value) {
  const uint32_t length = value.ReadU32();
  const auto chars = value.Take(length);
  const auto end = std::find(chars.begin(), chars.end(), uint8_t{0});
  return std::string(chars.begin(), end);
}

std::span<const uint8_t, kGuidSize> ReadGuid(WireReader& value) {
  return value.Take(kGuidSize).first<kGuidSize>();
}

std::string Dotted(std::span<const uint8_t> bytes) {
  std::string text;
  for (const uint8_t byte : bytes) {
    if (!text.empty()) text += '.';
    text += std::to_string(byte);
  }
  return text;
}

using ParticipantRule = ParameterRule<PassiveParticipantDiscoveryRecord>;
using EndpointRule = ParameterRule<PassiveEndPointDiscoveryRecord>;

void ApplyDomainId(WireReader& value, PassiveParticipantDiscoveryRecord& record, WriterKey&) {
  record.domainId = value.ReadU32();
}
std::string CurrentDomainId(const PassiveParticipantDiscoveryRecord& record) {
  return std::to_string(record.domainId);
}

const ParticipantRule kParticipantRules[] = {
    {kPidDomainId, "PID_DOMAIN_ID", 4, ApplyDomainId, CurrentDomainId},
    // Cyclone's vendor form of the domain id reports under the standard name.
    {kPidVendorDomainId, "PID_DOMAIN_ID", 4, ApplyDomainId, CurrentDomainId},
    {kPidParticipantGuid, "PID_PARTICIPANT_GUID", kGuidSize,
     [](WireReader& value, PassiveParticipantDiscoveryRecord& record, WriterKey& key) {
       const auto guid = ReadGuid(value);
       record.guidText = HexText(guid);
       key = WriterKey::FromGuidBytes(guid);
     },
     [](const PassiveParticipantDiscoveryRecord& record) { return record.guidText; }},
    {kPidProtocolVersion, "PID_PROTOCOL_VERSION", 4,
     [](WireReader& value, PassiveParticipantDiscoveryRecord& record, WriterKey&) {
       record.protocolMajor = value.ReadU8();
       record.protocolMinor = value.ReadU8();
       record.protocolVersion =
           std::to_string(record.protocolMajor) + "." + std::to_string(record.protocolMinor);
     },
     [](const PassiveParticipantDiscoveryRecord& record) { return record.protocolVersion; }},
    {kPidProductVersion, "PID_PRODUCT_VERSION", 4,
     [](WireReader& value, PassiveParticipantDiscoveryRecord& record, WriterKey&) {
       record.productVersion = Dotted(value.Take(4));
     },
     [](const PassiveParticipantDiscoveryRecord& record) { return record.productVersion; }},
    {kPidEntityName, "PID_ENTITY_NAME", kStringValue,
     [](WireReader& value, PassiveParticipantDiscoveryRecord& record, WriterKey&) {
       record.participantName = ReadCdrString(value);
     },
     nullptr},
};

const EndpointRule kEndpointRules[] = {
    {kPidTopicName, "PID_TOPIC_NAME", kStringValue,
     [](WireReader& value, PassiveEndPointDiscoveryRecord& record, WriterKey&) {
       record.topicName = ReadCdrString(value);
     },
     nullptr},
    {kPidTypeName, "PID_TYPE_NAME", kStringValue,
     [](WireReader& value, PassiveEndPointDiscoveryRecord& record, WriterKey&) {
       record.typeName = ReadCdrString(value);
     },
     nullptr},
    {kPidEndpointGuid, "PID_ENDPOINT_GUID", kGuidSize,
     [](WireReader& value, PassiveEndPointDiscoveryRecord& record, WriterKey& key) {
       const auto guid = ReadGuid(value);
       record.guidText = HexText(guid);
       key = WriterKey::FromGuidBytes(guid);
       record.guidWords = key.words;
     },
     [](const PassiveEndPointDiscoveryRecord& record) { return record.guidText; }},
};

template <typename Record, size_t N>
void ParseByRules(WireReader list, const ParameterRule<Record> (&rules)[N],
                  const std::string& announcement, Record& record, WriterKey& key) {
  WalkParameterList(list, [&](uint16_t pid, WireReader& value) {
    const auto rule = std::find_if(std::begin(rules), std::end(rules),
                                   [pid](const auto& candidate) { return candidate.pid == pid; });
    if (rule == std::end(rules)) return;
    if (rule->expectedLength != kStringValue && value.Remaining() != rule->expectedLength) {
      LogWarning("Dissected a " + announcement + " message with " + rule->name +
                 " not equal to " + std::to_string(rule->expectedLength) +
                 " bytes. Setting by default to " + rule->current(record));
      return;
    }
    rule->apply(value, record, key);
  });
}

}  // namespace

WireReader DiscoveryParameterList(const RTPSDataSubMessage& data) {
  const auto& payload = *data.message->payload;
  const auto& header = data.header;
  WireReader message(payload, header.payloadBigEndian ? ByteOrder::BIG_ENDIAN_ORDER
                                                      : ByteOrder::LITTLE_ENDIAN_ORDER);
  message.Seek(data.subMessageOffset + header.payloadOffset);
  WireReader serialized = message.Cut(header.payloadLength);
  serialized.Skip(kEncapsulationHeaderSize);
  return serialized.CutRest();
}

void ParseParticipantParameters(WireReader list, PassiveParticipantDiscoveryRecord& record,
                                WriterKey& key) {
  ParseByRules(list, kParticipantRules, "Data(p)", record, key);
}

void ParseEndpointParameters(WireReader list, PassiveEndPointDiscoveryRecord& record,
                             WriterKey& key) {
  ParseByRules(list, kEndpointRules, "Data(w)/(r)", record, key);
  record.endpointName = record.topicName + "_DW";
}

}  // namespace Quorvel::passive
