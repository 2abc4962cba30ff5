#include "passive/CapturedSampleMetadata.h"

#include "dissection/SampleMetadata.h"
#include "passive/RTPSMessage.h"
#include "passive/RTPSMessageHeader.h"

namespace Quorvel::passive {

namespace {

constexpr uint32_t kParticipantEntityId = 0x000001C1;

IPHeaderFields IPFields(const IPHeader& ip) {
  IPHeaderFields fields;
  fields.version = ip.version;
  fields.headerLength = ip.header_length;
  fields.tos = ip.tos;
  fields.totalLength = ip.total_len;
  fields.identification = ip.identification;
  fields.dontFragment = ip.dont_fragment_flag;
  fields.moreFragments = ip.more_fragments_flag;
  fields.fragmentOffset = ip.fragment_offset;
  fields.ttl = ip.ttl;
  fields.crc = ip.checksum;
  fields.sourceAddress = ip.src_ip;
  fields.destinationAddress = ip.dst_ip;
  return fields;
}

UDPHeaderFields UDPFields(const UDPHeader& udp) {
  return {udp.src_port, udp.dst_port, udp.length, udp.checksum};
}

DDSTime SourceTime(const RTPSMessageHeader& header) {
  if (!header.hasSourceTimestamp) return {};
  return {header.sourceTimestampNs / 1'000'000'000,
          static_cast<uint32_t>(header.sourceTimestampNs % 1'000'000'000)};
}

DDSTime CaptureTime(const RTPSMessage& message) {
  if (!message.packetHeader) return {};
  const timeval& ts = message.packetHeader->ts;
  return {static_cast<int64_t>(ts.tv_sec), static_cast<uint32_t>(ts.tv_usec) * 1000u};
}

}  // namespace

std::shared_ptr<SampleMetadata> CapturedSampleMetadata(const RTPSMessage& message,
                                                       const RTPSMessageHeader& messageHeader,
                                                       const WriterKey& writer,
                                                       uint64_t sequenceNumber,
                                                       std::string topicName,
                                                       std::optional<int64_t> domainId,
                                                       std::shared_ptr<MetadataTexts> texts) {
  auto metadata = std::make_shared<SampleMetadata>();
  metadata->sampleInfo = std::make_shared<const DDSSampleInfo>(DDSSampleInfo::ForCapturedSample(
      writer.GuidBytes(), static_cast<int64_t>(sequenceNumber), SourceTime(messageHeader),
      CaptureTime(message)));
  metadata->common = SampleCommonMetadata{std::move(topicName), domainId};
  message.headersOnce.Run([&message] {
    if (!message.ipHeader || !message.udpHeader) return;
    auto passive = std::make_shared<SamplePassiveMetadata>();
    passive->ipHeader = IPFields(*message.ipHeader);
    passive->udpHeader = UDPFields(*message.udpHeader);
    message.headers = std::move(passive);
  });
  metadata->passive = message.headers;
  metadata->metadataTexts = std::move(texts);
  return metadata;
}

WriterKey ParticipantKeyOf(const WriterKey& writer) {
  WriterKey key = writer;
  key.words[3] = kParticipantEntityId;
  return key;
}

}  // namespace Quorvel::passive
