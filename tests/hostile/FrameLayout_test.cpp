// The mutator finds the RTPS sub-messages of a frame where tshark finds them; otherwise its
// structure-aware mutations (sub-message lengths, DATA_FRAG drops) would aim at the wrong bytes
// or at nothing, and the hostile run would test less than it claims.

#include "mutate/FrameLayout.h"
#include "mutate/PcapRecording.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace Quorvel::Hostile {
namespace {

std::string DataPath(const std::string& relative) { return std::string(VELTRANE_TEST_DATA_DIR) + "/" + relative; }

// tshark's decode, "frame;index;sub-message id;...", as the ids of each frame in order.
std::map<std::size_t, std::vector<int>> TsharkSubMessages(const std::string& path) {
  std::map<std::size_t, std::vector<int>> ids;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string frame, index, id;
    std::getline(fields, frame, ';');
    std::getline(fields, index, ';');
    std::getline(fields, id, ';');
    ids[std::stoul(frame)].push_back(std::stoi(id, nullptr, 16));
  }
  return ids;
}

class FrameLayoutVsTshark : public ::testing::TestWithParam<std::string> {};

TEST_P(FrameLayoutVsTshark, SubMessagesOfEveryFrame) {
  const std::string name = GetParam();
  const PcapRecording recording = PcapRecording::Read(DataPath("passive/" + name + ".pcap"));
  const std::map<std::size_t, std::vector<int>> expected = TsharkSubMessages(DataPath("passive/" + name + ".tshark.txt"));
  ASSERT_FALSE(expected.empty());
  std::size_t framesWithRtps = 0;
  for (std::size_t i = 0; i < recording.frames.size(); ++i) {
    const FrameLayout layout = FrameLayout::Of(recording.linkType, recording.frames[i].bytes);
    std::vector<int> found;
    for (const SubMessageAt& s : layout.subMessages) found.push_back(s.id);
    const auto it = expected.find(i + 1);
    EXPECT_EQ(found, it == expected.end() ? std::vector<int>{} : it->second) << "frame " << i + 1;
    if (layout.rtpsOffset) ++framesWithRtps;
  }
  EXPECT_EQ(framesWithRtps, expected.size());
}

INSTANTIATE_TEST_SUITE_P(Recordings, FrameLayoutVsTshark,
                         ::testing::Values("ddsperf_lo", "ddsperf_any", "ddsperf_any_sll1"));

TEST(FrameLayout, IpFragmentsAreFoundAndNotParsedAsRtps) {
  const PcapRecording recording = PcapRecording::Read(DataPath("passive/ddsperf_fragments.pcap"));
  std::size_t fragments = 0;
  for (const CapturedFrame& frame : recording.frames) {
    const FrameLayout layout = FrameLayout::Of(recording.linkType, frame.bytes);
    if (!layout.ipFragment) continue;
    ++fragments;
    EXPECT_FALSE(layout.rtpsOffset);
  }
  EXPECT_GT(fragments, 10u);
}

TEST(FrameLayout, ShortOrForeignFramesHaveNoLayers) {
  const std::vector<std::vector<std::uint8_t>> frames{
      {},                                                // nothing
      std::vector<std::uint8_t>(13, 0),                  // shorter than an Ethernet header
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x86, 0xdd},  // IPv6 ethertype
  };
  for (const auto& frame : frames) {
    const FrameLayout layout = FrameLayout::Of(1, frame);
    EXPECT_FALSE(layout.ipOffset);
    EXPECT_TRUE(layout.subMessages.empty());
  }
}

}  // namespace
}  // namespace Quorvel::Hostile
