#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::InteropPeers {

class CycloneDomain;
struct RichType;

struct DecodedSample {
    std::string keyHash;  // 32 hex digits
    nlohmann::ordered_json value;
};

// Cyclone's reading of `payload` as a sample of `type`, whoever wrote it and with whichever
// version of the type; throws when Cyclone refuses the payload.
DecodedSample DecodeWithCyclone(const CycloneDomain& domain, const RichType& type,
                                const std::vector<uint8_t>& payload);

}  // namespace Quorvel::InteropPeers
