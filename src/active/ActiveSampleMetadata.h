#pragma once

// The metadata groups of a sample the engine's own readers received: "DDSSampleInfo" from the
// transport's sample information and "CommonMetaData" (topic, domain), written into the
// sample's outputter after its data.

#include <cstdint>
#include <optional>
#include <string>

namespace Quorvel {

class Outputter;
namespace Transport {
struct SampleInfo;
}

void FeedActiveSampleMetadata(Outputter& output, const Transport::SampleInfo& info,
                              const std::string& topicName, std::optional<std::int64_t> domainId);

}  // namespace Quorvel
