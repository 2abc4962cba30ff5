#pragma once

// The metadata of a sample read off the wire: its sample information (writer GUID, sequence
// number, the INFO_TS in force, the frame's capture time), its topic and domain, and the IPv4
// and UDP headers of the datagram that carried it. Shared by the discovery and user-data
// processors, so every captured sample carries the same metadata columns. `texts` are those of
// the processor that dissects it (see MetadataTexts).

#include "passive/RTPSIdentifiers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Quorvel {
class MetadataTexts;
struct SampleMetadata;
}

namespace Quorvel::passive {

struct RTPSMessage;
struct RTPSMessageHeader;

std::shared_ptr<SampleMetadata> CapturedSampleMetadata(const RTPSMessage& message,
                                                       const RTPSMessageHeader& messageHeader,
                                                       const WriterKey& writer,
                                                       uint64_t sequenceNumber,
                                                       std::string topicName,
                                                       std::optional<int64_t> domainId,
                                                       std::shared_ptr<MetadataTexts> texts);

// The key of the participant that owns `writer`: its GUID prefix with the participant's
// entity id (DDSI-RTPS 2.5, 9.3.1.2).
WriterKey ParticipantKeyOf(const WriterKey& writer);

}  // namespace Quorvel::passive
