#pragma once

// The parameters of discovery announcements that the passive engine reads (DDSI-RTPS 2.5,
// 9.6.2.2): a table per announcement kind maps a PID to its expected length and the field it
// fills. A parameter of the wrong fixed length is skipped with a warning and leaves its field
// at the default; a string or list that runs past the announcement throws WireError.

#include "passive/RTPSIdentifiers.h"
#include "passive/WireReader.h"

namespace Quorvel::passive {

struct RTPSDataSubMessage;
struct PassiveParticipantDiscoveryRecord;
struct PassiveEndPointDiscoveryRecord;

constexpr uint16_t kPidTopicName = 0x0005;
constexpr uint16_t kPidTypeName = 0x0007;
constexpr uint16_t kPidDomainId = 0x000F;
constexpr uint16_t kPidVendorDomainId = 0x800F;
constexpr uint16_t kPidProtocolVersion = 0x0015;
constexpr uint16_t kPidParticipantGuid = 0x0050;
constexpr uint16_t kPidEndpointGuid = 0x005A;
constexpr uint16_t kPidEntityName = 0x0062;
constexpr uint16_t kPidProductVersion = 0x8000;

// The parameter list of a discovery DATA: the serialized payload after its 4-byte
// encapsulation header, in the payload's byte order.
WireReader DiscoveryParameterList(const RTPSDataSubMessage& data);

// `key` receives the participant GUID's writer key when the list carries one.
void ParseParticipantParameters(WireReader list, PassiveParticipantDiscoveryRecord& record,
                                WriterKey& key);
// `key` receives the endpoint GUID's writer key when the list carries one. Sets the endpoint
// name from the topic name.
void ParseEndpointParameters(WireReader list, PassiveEndPointDiscoveryRecord& record,
                             WriterKey& key);

}  // namespace Quorvel::passive
