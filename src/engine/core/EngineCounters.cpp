#include "engine/core/EngineCounters.h"

#include <cstdio>

namespace Quorvel {

namespace {

std::uint64_t Load(const std::atomic<std::uint64_t>& counter) {
  return counter.load(std::memory_order_relaxed);
}

std::string HexId(std::uint8_t id) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", id);
  return text;
}

}  // namespace

void EngineCounters::Delivered(DeliveredKind kind, std::uint64_t count) {
  Bump(delivered[static_cast<std::size_t>(kind)], count);
}

void EngineCounters::Dropped(DropReason reason, std::uint64_t count) {
  Bump(dropped[static_cast<std::size_t>(reason)], count);
}

EngineStatistics EngineCounters::Snapshot(SubMessageNamer namer) const {
  EngineStatistics statistics;
  statistics.framesRead = Load(framesRead);
  statistics.rtpsMessagesParsed = Load(rtpsMessagesParsed);
  for (std::size_t id = 0; id < subMessages.size(); ++id) {
    const std::uint64_t count = Load(subMessages[id]);
    if (count == 0) continue;
    std::string name = namer ? namer(static_cast<std::uint8_t>(id)) : std::string();
    if (name.empty()) name = HexId(static_cast<std::uint8_t>(id));
    statistics.subMessagesByKind[name] += count;
  }
  const auto deliveredOf = [this](DeliveredKind kind) {
    return Load(delivered[static_cast<std::size_t>(kind)]);
  };
  statistics.userSamplesDelivered = deliveredOf(DeliveredKind::USER_DATA);
  statistics.discoverySamplesDelivered = deliveredOf(DeliveredKind::DISCOVERY);
  const auto droppedOf = [this](DropReason reason) {
    return Load(dropped[static_cast<std::size_t>(reason)]);
  };
  statistics.droppedNoMatchingWriter = droppedOf(DropReason::NO_MATCHING_WRITER);
  statistics.droppedNoData = droppedOf(DropReason::NO_DATA);
  statistics.droppedConversionError = droppedOf(DropReason::CONVERSION_ERROR);
  statistics.droppedDissectionError = droppedOf(DropReason::DISSECTION_ERROR);
  statistics.droppedMalformedInput = droppedOf(DropReason::MALFORMED_INPUT);
  statistics.droppedNonRtps = droppedOf(DropReason::NON_RTPS);
  statistics.droppedIncompleteFragments = droppedOf(DropReason::INCOMPLETE_FRAGMENTS);
  statistics.droppedCaptureOverflow = droppedOf(DropReason::CAPTURE_OVERFLOW);
  statistics.droppedNotDissected = droppedOf(DropReason::NOT_DISSECTED);
  statistics.droppedUnknownType = droppedOf(DropReason::UNKNOWN_TYPE);
  statistics.capturePacketsDroppedByDriver = Load(driverDropped);
  return statistics;
}

}  // namespace Quorvel
