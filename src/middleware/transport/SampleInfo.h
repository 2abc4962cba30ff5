#pragma once

// What the transport hands the engine for one received sample: the serialized payload as it
// came off the wire (encapsulation header and body) and the sample information of the reader.
// Plain values only, so nothing of the DDS implementation leaks upwards.

#include <array>
#include <cstdint>
#include <vector>

namespace Quorvel::Transport {

// 12-byte GUID prefix followed by the 4-byte entity id (DDSI-RTPS 2.5, 8.2.4.1).
using Guid = std::array<std::uint8_t, 16>;
// An instance or publication handle; for keyed topics the instance's key hash.
using InstanceHandle = std::array<std::uint8_t, 16>;

// DDS 1.4, 2.2.2.5.1.8: state values as the standard numbers them.
enum class SampleState : std::uint32_t { READ = 1, NOT_READ = 2 };
enum class ViewState : std::uint32_t { NEW = 1, NOT_NEW = 2 };
enum class InstanceState : std::uint32_t { ALIVE = 1, NOT_ALIVE_DISPOSED = 2, NOT_ALIVE_NO_WRITERS = 4 };

struct Timestamp {
  std::int32_t sec = 0;
  std::uint32_t nanosec = 0;

  // Negative times (the invalid time) give 0.
  std::uint64_t Microseconds() const {
    return sec < 0 ? 0 : static_cast<std::uint64_t>(sec) * 1000000u + nanosec / 1000u;
  }
  bool operator==(const Timestamp&) const = default;
};

struct SampleInfo {
  SampleState sampleState = SampleState::NOT_READ;
  ViewState viewState = ViewState::NEW;
  InstanceState instanceState = InstanceState::ALIVE;
  Timestamp sourceTimestamp;
  Timestamp receptionTimestamp;
  InstanceHandle instanceHandle{};
  InstanceHandle publicationHandle{};
  std::int32_t disposedGenerationCount = 0;
  std::int32_t noWritersGenerationCount = 0;
  std::int32_t sampleRank = 0;
  std::int32_t generationRank = 0;
  std::int32_t absoluteGenerationRank = 0;
  // False for a dispose or unregister: the payload is then empty and the key values come from
  // the reader (TopicReader::KeyValues).
  bool validData = false;
  Guid writerGuid{};
  std::int64_t sequenceNumber = 0;
  // The sample this one answers to, when the writer named one (request/reply); zero otherwise.
  Guid relatedWriterGuid{};
  std::int64_t relatedSequenceNumber = 0;
};

struct ReceivedSample {
  std::vector<std::uint8_t> payload;
  SampleInfo info;
};

}  // namespace Quorvel::Transport
