#pragma once

#include "CycloneEntity.h"

#include <memory>

namespace Quorvel::InteropPeers {

// The peer's private domain: loopback only, no multicast, so it disturbs nobody's DDS.
class CycloneDomain {
public:
    CycloneDomain();
    dds_entity_t Participant() const { return participant_->Get(); }

private:
    std::unique_ptr<CycloneEntity> domain_;
    std::unique_ptr<CycloneEntity> participant_;
};

}  // namespace Quorvel::InteropPeers
