#include "dissection/MetadataTexts.h"

#include <gtest/gtest.h>

#include <string>

namespace Quorvel {
namespace {

int madeCount = 0;

// A template that names the writer it was made for, so a template handed to another writer
// shows.
std::shared_ptr<const SampleInfoTemplate> MakeNamed(const DDSSampleInfo& key) {
  ++madeCount;
  auto made = std::make_shared<SampleInfoTemplate>();
  made->pieces[0] = std::to_string(key.sourceGuid[0]) + "." + std::to_string(key.sourceGuid[1]);
  return made;
}

DDSSampleInfo InfoOf(int writer, std::uint64_t sourceMicroseconds,
                     std::uint64_t receptionMicroseconds, std::int64_t sequence) {
  DDSGuidBytes guid{};
  guid[0] = static_cast<std::uint8_t>(writer % 256);
  guid[1] = static_cast<std::uint8_t>(writer / 256);
  const auto time = [](std::uint64_t us) {
    return DDSTime{static_cast<std::int64_t>(us / 1000000),
                   static_cast<std::uint32_t>(us % 1000000) * 1000u};
  };
  return DDSSampleInfo::ForCapturedSample(guid, sequence, time(sourceMicroseconds),
                                          time(receptionMicroseconds));
}

std::string Iso(std::uint64_t microseconds) {
  return std::string(CommonHelperFunctions::EpochMicrosecondsToIso8601Text(microseconds).View());
}

TEST(MetadataTexts, OneTemplatePerWriterWhateverTheTimesAndSequenceNumbers) {
  MetadataTexts texts;
  madeCount = 0;
  // Times that cross second boundaries in both directions, source and reception apart.
  const std::uint64_t times[][2] = {{1765000000999999, 1765000001000000},
                                    {1765000001000001, 1765000000999998},
                                    {1765000001500000, 1765000002000001},
                                    {1764999999000000, 1765000002000002}};
  std::int64_t sequence = 1;
  for (const auto& time : times) {
    const auto found = texts.Find(InfoOf(7, time[0], time[1], sequence++), &MakeNamed);
    ASSERT_NE(found.made, nullptr);
    EXPECT_EQ(found.made->pieces[0], "7.0");
    EXPECT_EQ(found.sourceTime.View(), Iso(time[0])) << time[0];
    EXPECT_EQ(found.receptionTime.View(), Iso(time[1])) << time[1];
  }
  EXPECT_EQ(madeCount, 1);
}

TEST(MetadataTexts, ManyWritersEachGetTheirOwnTemplate) {
  MetadataTexts texts;
  madeCount = 0;
  // More writers than are kept: the ones used longest ago are made again, never confused.
  constexpr int kWriters = 100;
  for (int round = 0; round < 3; ++round) {
    for (int writer = 0; writer < kWriters; ++writer) {
      const auto found = texts.Find(InfoOf(writer, 1765000000000000, 1765000000000000, round),
                                    &MakeNamed);
      ASSERT_NE(found.made, nullptr);
      EXPECT_EQ(found.made->pieces[0],
                std::to_string(writer % 256) + "." + std::to_string(writer / 256));
    }
  }
  EXPECT_EQ(madeCount, 3 * kWriters);
  // A few writers in turn stay kept.
  madeCount = 0;
  for (int round = 0; round < 10; ++round) {
    for (int writer = 0; writer < 5; ++writer) {
      texts.Find(InfoOf(writer, 1765000000000000, 1765000000000000, round), &MakeNamed);
    }
  }
  EXPECT_EQ(madeCount, 5);
}

}  // namespace
}  // namespace Quorvel
