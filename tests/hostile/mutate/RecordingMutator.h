#pragma once

// Derives a corrupted recording from a real one: a few mutations drawn from a seeded generator,
// so that the same seed always yields the same bytes and a failing file can be made again.

#include "PcapRecording.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace Quorvel::Hostile {

enum class MutationKind {
  FLIP_BYTES,          // "flip": up to 16 bytes, mostly inside RTPS
  SUB_MESSAGE_LENGTH,  // "sublength": one sub-message's octetsToNextHeader
  TRUNCATE,            // "truncate": one frame cut short
  DUPLICATE,           // "duplicate": one frame again, a little later
  REORDER,             // "reorder": a window of up to 16 frames shuffled
  DROP_IP_FRAGMENT,    // "drop-ipfrag": one IPv4 fragment gone
  DROP_DATA_FRAG,      // "drop-datafrag": one frame carrying DATA_FRAG gone
};
inline constexpr int kMutationKinds = 7;

class RecordingMutator {
 public:
  explicit RecordingMutator(std::uint64_t seed) : random_(seed) {}

  static const char* Name(MutationKind kind);

  // Applies one to four mutations and returns their names, in the order applied.
  std::vector<std::string> Mutate(PcapRecording& recording);
  // False when the recording offers nothing to act on (no fragment to drop, no frame).
  bool Apply(MutationKind kind, PcapRecording& recording);

 private:
  bool FlipBytes(PcapRecording& recording);
  bool CorruptSubMessageLength(PcapRecording& recording);
  bool Truncate(PcapRecording& recording);
  bool Duplicate(PcapRecording& recording);
  bool Reorder(PcapRecording& recording);
  bool DropIpFragment(PcapRecording& recording);
  bool DropDataFrag(PcapRecording& recording);

  std::size_t Below(std::size_t bound);  // uniform in [0, bound)
  // Indexes of the frames whose layout satisfies `wanted`.
  template <typename Predicate>
  std::vector<std::size_t> FramesWhere(const PcapRecording& recording, Predicate wanted);

  std::mt19937_64 random_;
};

}  // namespace Quorvel::Hostile
