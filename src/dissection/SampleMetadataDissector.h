#pragma once

// Writes a sample's metadata columns into its outputter after its data: "DDSSampleInfo",
// "CommonMetaData" and, for captured samples, "PassiveMetaData" (IP and UDP headers), each
// under "SampleMetaData" in the JSON and 'SampleMetaData.<group>.' in the flat map. A group
// the sample does not carry is skipped.

namespace Quorvel {

class DDSSample;
class EngineConfig;

namespace SampleMetadataDissector {

void FeedOutputter(DDSSample& sample, const EngineConfig& config);
void FeedOutputterSampleInfo(DDSSample& sample, const EngineConfig& config);
void FeedOutputterCommonMetadata(DDSSample& sample, const EngineConfig& config);
void FeedOutputterPassiveMetadata(DDSSample& sample, const EngineConfig& config);

}  // namespace SampleMetadataDissector
}  // namespace Quorvel
