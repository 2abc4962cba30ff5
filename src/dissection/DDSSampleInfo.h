#pragma once

// The sample information of one sample, independent of where it came from: the active engine
// fills it from its middleware's sample information, the passive engine from the captured
// message (ForCapturedSample). Numbers follow the DDS SampleInfo (DDS 1.4, 2.2.2.5.5).

#include <array>
#include <cstdint>

namespace Quorvel {

struct DDSTime {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;

  std::uint64_t Microseconds() const;
  bool operator==(const DDSTime&) const = default;
};

// 12 bytes of GUID prefix and 4 of entity id; also the shape of instance handles.
using DDSGuidBytes = std::array<std::uint8_t, 16>;

struct DDSSampleInfo {
  static constexpr std::uint32_t kNotReadSample = 2;
  static constexpr std::uint32_t kNewInstance = 1;
  static constexpr std::uint32_t kAliveInstance = 1;

  std::uint32_t sampleState = kNotReadSample;
  std::uint32_t viewState = kNewInstance;
  std::uint32_t instanceState = kAliveInstance;
  DDSTime sourceTimestamp;
  DDSTime receptionTimestamp;
  std::int64_t publicationSequenceNumber = 0;
  std::int64_t receptionSequenceNumber = 0;
  DDSGuidBytes instanceHandle{};
  DDSGuidBytes publicationHandle{};
  std::int32_t disposedGenerationCount = 0;
  std::int32_t noWritersGenerationCount = 0;
  std::int32_t sampleRank = 0;
  std::int32_t generationRank = 0;
  std::int32_t absoluteGenerationRank = 0;
  bool validData = true;
  DDSGuidBytes publicationVirtualGuid{};
  std::int64_t publicationVirtualSequenceNumber = 0;
  DDSGuidBytes originalPublicationVirtualGuid{};
  std::int64_t originalPublicationVirtualSequenceNumber = 0;
  DDSGuidBytes sourceGuid{};
  DDSGuidBytes relatedSourceGuid{};
  DDSGuidBytes relatedSubscriptionGuid{};

  // What a captured sample is known by: a new, alive, unread sample of the writer, stamped
  // with the source time in force (INFO_TS) and the capture time; instance handle, sample rank,
  // reception sequence number and related subscription stay at their defaults.
  static DDSSampleInfo ForCapturedSample(const DDSGuidBytes& writerGuid,
                                         std::int64_t writerSequenceNumber, DDSTime sourceTime,
                                         DDSTime captureTime);

  bool operator==(const DDSSampleInfo&) const = default;
};

}  // namespace Quorvel
