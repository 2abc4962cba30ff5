#pragma once

// The counters behind EngineStatistics, bumped lock-free from capture, pipeline and delivery
// threads. One instance per engine, owned by its registry (EngineDB).

#include <quorvel/EngineStatistics.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace Quorvel {

enum class DropReason : std::uint8_t {
  NO_MATCHING_WRITER,
  NO_DATA,
  CONVERSION_ERROR,
  DISSECTION_ERROR,
  MALFORMED_INPUT,
  NON_RTPS,
  INCOMPLETE_FRAGMENTS,
  CAPTURE_OVERFLOW,
  NOT_DISSECTED,
  UNKNOWN_TYPE,
};

enum class DeliveredKind : std::uint8_t { USER_DATA, DISCOVERY };

class EngineCounters {
 public:
  void FrameRead() { Bump(framesRead); }
  void RtpsMessageParsed() { Bump(rtpsMessagesParsed); }
  // `id` is the sub-message id byte as read from the wire.
  void SubMessageSeen(std::uint8_t id) { Bump(subMessages[id]); }
  void Delivered(DeliveredKind kind, std::uint64_t count = 1);
  void Dropped(DropReason reason, std::uint64_t count = 1);
  // Packets libpcap or the interface dropped before the capture read them.
  void DriverDropped(std::uint64_t count) { Bump(driverDropped, count); }

  // Names a sub-message id; an empty name falls back to "0x" + two hexadecimal digits.
  using SubMessageNamer = std::string (*)(std::uint8_t id);
  // Queue depths are not counters; the engine adds them to the snapshot itself.
  EngineStatistics Snapshot(SubMessageNamer namer = nullptr) const;

 private:
  static void Bump(std::atomic<std::uint64_t>& counter, std::uint64_t count = 1) {
    counter.fetch_add(count, std::memory_order_relaxed);
  }

  std::atomic<std::uint64_t> framesRead{0};
  std::atomic<std::uint64_t> rtpsMessagesParsed{0};
  std::array<std::atomic<std::uint64_t>, 256> subMessages{};
  std::array<std::atomic<std::uint64_t>, 2> delivered{};
  std::array<std::atomic<std::uint64_t>, 10> dropped{};
  std::atomic<std::uint64_t> driverDropped{0};
};

}  // namespace Quorvel
