#include "RichDecoder.h"

#include "CycloneCodec.h"
#include "CycloneDomain.h"
#include "GoldenFiles.h"
#include "RichTypes.h"

namespace Quorvel::InteropPeers {

DecodedSample DecodeWithCyclone(const CycloneDomain& domain, const RichType& type,
                                const std::vector<uint8_t>& payload) {
    CycloneCodec codec(domain.Participant(), type.descriptor, Representation::Xcdr2);
    const std::vector<NamedSample> primers = type.makeSamples();
    CycloneSample decoded(type.descriptor);
    const auto keyHash = codec.Deserialize(payload, primers.front().sample, decoded);
    return {Hex(keyHash), type.toJson(decoded.Get())};
}

}  // namespace Quorvel::InteropPeers
