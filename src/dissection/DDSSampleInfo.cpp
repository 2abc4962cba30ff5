#include "dissection/DDSSampleInfo.h"

namespace Quorvel {

std::uint64_t DDSTime::Microseconds() const {
  // Times before the epoch have no microsecond count of their own here.
  if (seconds < 0) return 0;
  return static_cast<std::uint64_t>(seconds) * 1000000u + nanoseconds / 1000u;
}

DDSSampleInfo DDSSampleInfo::ForCapturedSample(const DDSGuidBytes& writerGuid,
                                               std::int64_t writerSequenceNumber,
                                               DDSTime sourceTime, DDSTime captureTime) {
  DDSSampleInfo info;
  info.sourceTimestamp = sourceTime;
  info.receptionTimestamp = captureTime;
  info.publicationSequenceNumber = writerSequenceNumber;
  info.publicationVirtualSequenceNumber = writerSequenceNumber;
  info.originalPublicationVirtualSequenceNumber = writerSequenceNumber;
  info.publicationHandle = writerGuid;
  info.publicationVirtualGuid = writerGuid;
  info.originalPublicationVirtualGuid = writerGuid;
  info.sourceGuid = writerGuid;
  info.relatedSourceGuid = writerGuid;
  return info;
}

}  // namespace Quorvel
