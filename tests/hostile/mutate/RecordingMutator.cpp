#include "RecordingMutator.h"

#include "FrameLayout.h"

#include <algorithm>
#include <utility>

namespace Quorvel::Hostile {

std::size_t RecordingMutator::Below(std::size_t bound) {
  return bound == 0 ? 0 : static_cast<std::size_t>(random_() % bound);
}

template <typename Predicate>
std::vector<std::size_t> RecordingMutator::FramesWhere(const PcapRecording& recording, Predicate wanted) {
  std::vector<std::size_t> indexes;
  for (std::size_t i = 0; i < recording.frames.size(); ++i) {
    if (wanted(FrameLayout::Of(recording.linkType, recording.frames[i].bytes))) indexes.push_back(i);
  }
  return indexes;
}

const char* RecordingMutator::Name(MutationKind kind) {
  switch (kind) {
    case MutationKind::FLIP_BYTES: return "flip";
    case MutationKind::SUB_MESSAGE_LENGTH: return "sublength";
    case MutationKind::TRUNCATE: return "truncate";
    case MutationKind::DUPLICATE: return "duplicate";
    case MutationKind::REORDER: return "reorder";
    case MutationKind::DROP_IP_FRAGMENT: return "drop-ipfrag";
    case MutationKind::DROP_DATA_FRAG: return "drop-datafrag";
  }
  return "?";
}

bool RecordingMutator::Apply(MutationKind kind, PcapRecording& recording) {
  if (recording.frames.empty()) return false;
  switch (kind) {
    case MutationKind::FLIP_BYTES: return FlipBytes(recording);
    case MutationKind::SUB_MESSAGE_LENGTH: return CorruptSubMessageLength(recording);
    case MutationKind::TRUNCATE: return Truncate(recording);
    case MutationKind::DUPLICATE: return Duplicate(recording);
    case MutationKind::REORDER: return Reorder(recording);
    case MutationKind::DROP_IP_FRAGMENT: return DropIpFragment(recording);
    case MutationKind::DROP_DATA_FRAG: return DropDataFrag(recording);
  }
  return false;
}

std::vector<std::string> RecordingMutator::Mutate(PcapRecording& recording) {
  std::vector<std::string> applied;
  const std::size_t wanted = 1 + Below(4);
  // A mutation with nothing to act on is drawn again, a bounded number of times.
  for (std::size_t attempt = 0; applied.size() < wanted && attempt < 4 * wanted; ++attempt) {
    const auto kind = static_cast<MutationKind>(Below(kMutationKinds));
    if (Apply(kind, recording)) applied.emplace_back(Name(kind));
  }
  return applied;
}

bool RecordingMutator::FlipBytes(PcapRecording& recording) {
  const std::size_t flips = 1 + Below(16);
  for (std::size_t n = 0; n < flips; ++n) {
    CapturedFrame& frame = recording.frames[Below(recording.frames.size())];
    if (frame.bytes.empty()) continue;
    // Mostly inside RTPS, where most of the parsing is; sometimes anywhere (link, IP, UDP).
    const FrameLayout layout = FrameLayout::Of(recording.linkType, frame.bytes);
    const std::size_t from = layout.rtpsOffset && Below(4) != 0 ? *layout.rtpsOffset : 0;
    const std::size_t at = from + Below(frame.bytes.size() - from);
    frame.bytes[at] ^= static_cast<std::uint8_t>(1 + Below(255));
  }
  return true;
}

bool RecordingMutator::CorruptSubMessageLength(PcapRecording& recording) {
  const std::vector<std::size_t> carriers =
      FramesWhere(recording, [](const FrameLayout& l) { return !l.subMessages.empty(); });
  if (carriers.empty()) return false;
  CapturedFrame& frame = recording.frames[carriers[Below(carriers.size())]];
  const FrameLayout layout = FrameLayout::Of(recording.linkType, frame.bytes);
  const SubMessageAt& target = layout.subMessages[Below(layout.subMessages.size())];
  const std::size_t lengthAt = target.offset + 2;
  const std::uint16_t old = target.littleEndian ? frame.bytes[lengthAt] | frame.bytes[lengthAt + 1] << 8
                                                : frame.bytes[lengthAt] << 8 | frame.bytes[lengthAt + 1];
  // Off by a little (the classic), zero (to the end), or anything at all.
  std::uint16_t length = 0;
  switch (Below(3)) {
    case 0: length = static_cast<std::uint16_t>(old + static_cast<int>(Below(9)) - 4); break;
    case 1: length = 0; break;
    default: length = static_cast<std::uint16_t>(random_()); break;
  }
  frame.bytes[lengthAt] = static_cast<std::uint8_t>(target.littleEndian ? length : length >> 8);
  frame.bytes[lengthAt + 1] = static_cast<std::uint8_t>(target.littleEndian ? length >> 8 : length);
  return true;
}

bool RecordingMutator::Truncate(PcapRecording& recording) {
  CapturedFrame& frame = recording.frames[Below(recording.frames.size())];
  if (frame.bytes.empty()) return false;
  frame.bytes.resize(Below(frame.bytes.size()));
  // Either a snap length cut (the wire length stays) or a frame that was short on the wire.
  if (Below(2) == 0) frame.originalLength = static_cast<std::uint32_t>(frame.bytes.size());
  return true;
}

bool RecordingMutator::Duplicate(PcapRecording& recording) {
  const std::size_t from = Below(recording.frames.size());
  const std::size_t to = std::min(recording.frames.size(), from + 1 + Below(16));
  const CapturedFrame copy = recording.frames[from];
  recording.frames.insert(recording.frames.begin() + static_cast<std::ptrdiff_t>(to), copy);
  return true;
}

bool RecordingMutator::Reorder(PcapRecording& recording) {
  if (recording.frames.size() < 2) return false;
  const std::size_t width = std::min(recording.frames.size(), 2 + Below(15));
  const std::size_t first = Below(recording.frames.size() - width + 1);
  auto begin = recording.frames.begin() + static_cast<std::ptrdiff_t>(first);
  std::shuffle(begin, begin + static_cast<std::ptrdiff_t>(width), random_);
  return true;
}

bool RecordingMutator::DropIpFragment(PcapRecording& recording) {
  const std::vector<std::size_t> fragments =
      FramesWhere(recording, [](const FrameLayout& l) { return l.ipFragment; });
  if (fragments.empty()) return false;
  recording.frames.erase(recording.frames.begin() +
                         static_cast<std::ptrdiff_t>(fragments[Below(fragments.size())]));
  return true;
}

bool RecordingMutator::DropDataFrag(PcapRecording& recording) {
  const std::vector<std::size_t> carriers =
      FramesWhere(recording, [](const FrameLayout& l) { return l.Carries(kDataFragId); });
  if (carriers.empty()) return false;
  recording.frames.erase(recording.frames.begin() +
                         static_cast<std::ptrdiff_t>(carriers[Below(carriers.size())]));
  return true;
}

}  // namespace Quorvel::Hostile
