// Each mutation does what its name says to a real recording, and a seed always gives the same
// recording: a failing hostile file must be reproducible from its seed alone.

#include "mutate/FrameLayout.h"
#include "mutate/PcapRecording.h"
#include "mutate/RecordingMutator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace Quorvel::Hostile {
namespace {

PcapRecording Load(const std::string& relative) {
  return PcapRecording::Read(std::string(VELTRANE_TEST_DATA_DIR) + "/" + relative);
}

std::size_t CountFrames(const PcapRecording& r, const std::function<bool(const FrameLayout&)>& wanted) {
  return static_cast<std::size_t>(std::count_if(r.frames.begin(), r.frames.end(), [&](const CapturedFrame& f) {
    return wanted(FrameLayout::Of(r.linkType, f.bytes));
  }));
}

bool SameFrame(const CapturedFrame& a, const CapturedFrame& b) {
  return a.bytes == b.bytes && a.originalLength == b.originalLength && a.seconds == b.seconds &&
         a.microseconds == b.microseconds;
}

std::multiset<std::vector<std::uint8_t>> Contents(const PcapRecording& r) {
  std::multiset<std::vector<std::uint8_t>> contents;
  for (const CapturedFrame& f : r.frames) contents.insert(f.bytes);
  return contents;
}

// Frames that differ between two recordings of equal length.
std::size_t ChangedFrames(const PcapRecording& a, const PcapRecording& b) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < a.frames.size(); ++i) changed += SameFrame(a.frames[i], b.frames[i]) ? 0 : 1;
  return changed;
}

struct MutationCase {
  MutationKind kind;
  std::string recording;
  std::function<void(const PcapRecording& before, const PcapRecording& after)> check;
};

class EachMutation : public ::testing::TestWithParam<MutationCase> {};

TEST_P(EachMutation, DoesWhatItSays) {
  const MutationCase& c = GetParam();
  const PcapRecording original = Load(c.recording);
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    PcapRecording mutated = original;
    RecordingMutator mutator(seed);
    ASSERT_TRUE(mutator.Apply(c.kind, mutated)) << RecordingMutator::Name(c.kind);
    c.check(original, mutated);
  }
}

const auto kIsFragment = [](const FrameLayout& l) { return l.ipFragment; };
const auto kCarriesDataFrag = [](const FrameLayout& l) { return l.Carries(kDataFragId); };

INSTANTIATE_TEST_SUITE_P(
    Kinds, EachMutation,
    ::testing::Values(
        MutationCase{MutationKind::FLIP_BYTES, "passive/ddsperf_lo.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       ASSERT_EQ(after.frames.size(), before.frames.size());
                       EXPECT_GE(ChangedFrames(before, after), 1u);
                       EXPECT_LE(ChangedFrames(before, after), 16u);
                     }},
        MutationCase{MutationKind::SUB_MESSAGE_LENGTH, "passive/ddsperf_lo.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       ASSERT_EQ(after.frames.size(), before.frames.size());
                       // One frame, at most its two length bytes (the new length may equal the old).
                       EXPECT_LE(ChangedFrames(before, after), 1u);
                       for (std::size_t i = 0; i < before.frames.size(); ++i) {
                         const auto& a = before.frames[i].bytes;
                         const auto& b = after.frames[i].bytes;
                         ASSERT_EQ(a.size(), b.size());
                         std::size_t differing = 0;
                         for (std::size_t k = 0; k < a.size(); ++k) differing += a[k] != b[k];
                         EXPECT_LE(differing, 2u);
                       }
                     }},
        MutationCase{MutationKind::TRUNCATE, "passive/ddsperf_any.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       ASSERT_EQ(after.frames.size(), before.frames.size());
                       std::size_t shorter = 0;
                       for (std::size_t i = 0; i < before.frames.size(); ++i) {
                         shorter += after.frames[i].bytes.size() < before.frames[i].bytes.size();
                         EXPECT_LE(after.frames[i].bytes.size(), after.frames[i].originalLength);
                       }
                       EXPECT_EQ(shorter, 1u);
                     }},
        MutationCase{MutationKind::DUPLICATE, "passive/ddsperf_lo.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       ASSERT_EQ(after.frames.size(), before.frames.size() + 1);
                       std::multiset<std::vector<std::uint8_t>> extra = Contents(after);
                       for (const CapturedFrame& f : before.frames) extra.erase(extra.find(f.bytes));
                       ASSERT_EQ(extra.size(), 1u);
                       EXPECT_EQ(Contents(before).count(*extra.begin()), 1u);
                     }},
        MutationCase{MutationKind::REORDER, "passive/ddsperf_lo.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       EXPECT_EQ(Contents(after), Contents(before));
                       EXPECT_LE(ChangedFrames(before, after), 16u);
                     }},
        MutationCase{MutationKind::DROP_IP_FRAGMENT, "passive/ddsperf_fragments.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       EXPECT_EQ(after.frames.size(), before.frames.size() - 1);
                       EXPECT_EQ(CountFrames(after, kIsFragment), CountFrames(before, kIsFragment) - 1);
                     }},
        MutationCase{MutationKind::DROP_DATA_FRAG, "frag/fastdds_100k.pcap",
                     [](const PcapRecording& before, const PcapRecording& after) {
                       EXPECT_EQ(after.frames.size(), before.frames.size() - 1);
                       EXPECT_EQ(CountFrames(after, kCarriesDataFrag), CountFrames(before, kCarriesDataFrag) - 1);
                     }}),
    [](const auto& info) {
      std::string name = RecordingMutator::Name(info.param.kind);
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

TEST(RecordingMutator, NothingToDropIsRefused) {
  PcapRecording unfragmented = Load("passive/ddsperf_lo.pcap");
  const std::size_t frames = unfragmented.frames.size();
  RecordingMutator mutator(7);
  EXPECT_FALSE(mutator.Apply(MutationKind::DROP_IP_FRAGMENT, unfragmented));
  EXPECT_FALSE(mutator.Apply(MutationKind::DROP_DATA_FRAG, unfragmented));
  EXPECT_EQ(unfragmented.frames.size(), frames);
}

TEST(RecordingMutator, SameSeedSameRecordingAndSeedsDiffer) {
  const PcapRecording original = Load("passive/ddsperf_fragments.pcap");
  std::set<std::multiset<std::vector<std::uint8_t>>> distinct;
  for (std::uint64_t seed = 100; seed < 120; ++seed) {
    PcapRecording first = original, second = original;
    const std::vector<std::string> applied = RecordingMutator(seed).Mutate(first);
    EXPECT_EQ(RecordingMutator(seed).Mutate(second), applied);
    ASSERT_EQ(first.frames.size(), second.frames.size());
    EXPECT_EQ(ChangedFrames(first, second), 0u) << "seed " << seed;
    EXPECT_FALSE(applied.empty());
    distinct.insert(Contents(first));
  }
  EXPECT_GE(distinct.size(), 19u);
}

TEST(PcapRecording, WrittenAndReadBackUnchanged) {
  PcapRecording original = Load("passive/ddsperf_any.pcap");
  RecordingMutator(3).Apply(MutationKind::TRUNCATE, original);  // one frame shorter than on the wire
  const std::string path = (std::filesystem::temp_directory_path() / "veltrane_hostile_roundtrip.pcap").string();
  original.Write(path);
  const PcapRecording back = PcapRecording::Read(path);
  EXPECT_EQ(back.linkType, original.linkType);
  ASSERT_EQ(back.frames.size(), original.frames.size());
  EXPECT_EQ(ChangedFrames(original, back), 0u);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace Quorvel::Hostile
