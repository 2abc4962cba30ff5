#include "CycloneDomain.h"

namespace Quorvel::InteropPeers {
namespace {

// Samples only travel between a writer and a reader of this process, so the domain needs no
// peers; an unusual domain id keeps it apart from any other DDS program on the machine.
constexpr dds_domainid_t kPeerDomainId = 142;
constexpr const char* kPeerDomainConfig =
    "<General><Interfaces><NetworkInterface name=\"lo\"/></Interfaces>"
    "<AllowMulticast>false</AllowMulticast></General>"
    "<Discovery><ParticipantIndex>none</ParticipantIndex></Discovery>";

}  // namespace

CycloneDomain::CycloneDomain()
    : domain_(std::make_unique<CycloneEntity>(dds_create_domain(kPeerDomainId, kPeerDomainConfig),
                                              "dds_create_domain")),
      participant_(std::make_unique<CycloneEntity>(
          dds_create_participant(kPeerDomainId, nullptr, nullptr), "dds_create_participant")) {}

}  // namespace Quorvel::InteropPeers
