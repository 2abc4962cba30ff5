#pragma once

// The metadata a sample carries besides its data: its sample information, the topic (and
// domain) it belongs to, and for captured samples the IPv4 and UDP headers of its datagram.
// Filled by the engine that received the sample, shared read-only afterwards.

#include "common/OnceGate.h"
#include "dissection/DDSSampleInfo.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Quorvel {

struct SampleCommonMetadata {
  std::string topic_name;
  std::optional<std::int64_t> domain_id;
};

// The header fields as captured (RFC 791, RFC 768), addresses in dotted notation.
struct IPHeaderFields {
  std::uint8_t version = 0;
  std::uint32_t headerLength = 0;
  std::uint8_t tos = 0;
  std::uint32_t totalLength = 0;
  std::uint16_t identification = 0;
  std::uint8_t dontFragment = 0;
  std::uint8_t moreFragments = 0;
  std::uint16_t fragmentOffset = 0;
  std::uint16_t ttl = 0;
  std::uint16_t crc = 0;
  std::string sourceAddress;
  std::string destinationAddress;
};

struct UDPHeaderFields {
  std::uint16_t sourcePort = 0;
  std::uint16_t destinationPort = 0;
  std::uint16_t length = 0;
  std::uint16_t crc = 0;
};

struct SamplePassiveMetadata {
  IPHeaderFields ipHeader;
  UDPHeaderFields udpHeader;
  // Every sample of a datagram writes the same JSON for its headers: the members of
  // "PassiveMetaData" as JSON output with numbers as values writes them, made once by the first
  // sample that needs them (SampleMetadataDissector) and copied by the others.
  mutable OnceGate jsonOnce;
  mutable std::string json;
};

class MetadataTexts;

struct SampleMetadata {
  std::shared_ptr<const DDSSampleInfo> sampleInfo;
  // Shared by the samples one processor dissects (captured samples only); see MetadataTexts.
  std::shared_ptr<MetadataTexts> metadataTexts;
  std::optional<SampleCommonMetadata> common;
  std::shared_ptr<const SamplePassiveMetadata> passive;  // captured samples only
};

}  // namespace Quorvel
