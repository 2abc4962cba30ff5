#pragma once

// The metadata of a sample the engine's own readers received, from the transport's sample
// information, the topic and the participant's domain.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Quorvel {

struct SampleMetadata;
namespace Transport {
struct SampleInfo;
}

std::shared_ptr<SampleMetadata> ActiveSampleMetadata(const Transport::SampleInfo& info,
                                                     const std::string& topicName,
                                                     std::optional<std::int64_t> domainId);

}  // namespace Quorvel
