#include "active/ActiveSampleMetadata.h"

#include "dissection/SampleMetadata.h"
#include "middleware/transport/SampleInfo.h"

namespace Quorvel {
namespace {

DDSTime Time(const Transport::Timestamp& time) {
  return DDSTime{time.sec, time.nanosec};
}

}  // namespace

std::shared_ptr<SampleMetadata> ActiveSampleMetadata(const Transport::SampleInfo& info,
                                                     const std::string& topicName,
                                                     std::optional<std::int64_t> domainId) {
  auto sampleInfo = std::make_shared<DDSSampleInfo>();
  sampleInfo->sampleState = static_cast<std::uint32_t>(info.sampleState);
  sampleInfo->viewState = static_cast<std::uint32_t>(info.viewState);
  sampleInfo->instanceState = static_cast<std::uint32_t>(info.instanceState);
  sampleInfo->sourceTimestamp = Time(info.sourceTimestamp);
  sampleInfo->receptionTimestamp = Time(info.receptionTimestamp);
  sampleInfo->publicationSequenceNumber = info.sequenceNumber;
  sampleInfo->instanceHandle = info.instanceHandle;
  sampleInfo->publicationHandle = info.publicationHandle;
  sampleInfo->disposedGenerationCount = info.disposedGenerationCount;
  sampleInfo->noWritersGenerationCount = info.noWritersGenerationCount;
  sampleInfo->sampleRank = info.sampleRank;
  sampleInfo->generationRank = info.generationRank;
  sampleInfo->absoluteGenerationRank = info.absoluteGenerationRank;
  sampleInfo->validData = info.validData;
  // Fast DDS knows no virtual or original writer apart from the writer itself.
  sampleInfo->publicationVirtualGuid = info.writerGuid;
  sampleInfo->publicationVirtualSequenceNumber = info.sequenceNumber;
  sampleInfo->originalPublicationVirtualGuid = info.writerGuid;
  sampleInfo->originalPublicationVirtualSequenceNumber = info.sequenceNumber;
  sampleInfo->sourceGuid = info.writerGuid;
  sampleInfo->relatedSourceGuid = info.relatedWriterGuid;
  auto metadata = std::make_shared<SampleMetadata>();
  metadata->sampleInfo = std::move(sampleInfo);
  metadata->common = SampleCommonMetadata{topicName, domainId};
  return metadata;
}

}  // namespace Quorvel
