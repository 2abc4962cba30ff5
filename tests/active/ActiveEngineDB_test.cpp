// The active registry: the first record of a topic or writer name wins, lookups of absent
// names give nothing, and Terminate empties every map while holders keep their records.

#include "active/ActiveEngineDB.h"
#include "engine/core/EngineConfig.h"

#include <gtest/gtest.h>

namespace Quorvel {
namespace {

TEST(ActiveEngineDB, FirstRecordWinsAndTerminateEmpties) {
  ActiveEngineDB registry(std::make_shared<EngineConfig>(), nullptr, nullptr);
  registry.InsertNewReaderRecord("ReaderA", "Track", "TrackType", nullptr, nullptr);
  registry.InsertNewReaderRecord("ReaderB", "Track", "OtherType", nullptr, nullptr);
  registry.InsertNewReaderRecord("ReaderC", "Alarm", "AlarmType", nullptr, nullptr);
  registry.InsertNewWriterRecord("Writer", nullptr);

  const auto track = registry.GetReaderRecordByTopicName("Track");
  ASSERT_TRUE(track);
  EXPECT_EQ(track->readerName, "ReaderA");
  EXPECT_EQ(track->typeName, "TrackType");
  EXPECT_TRUE(registry.isTopicExists("Alarm"));
  EXPECT_FALSE(registry.isTopicExists("Missing"));
  EXPECT_FALSE(registry.GetReaderRecordByTopicName("Missing"));
  EXPECT_FALSE(registry.GetTypeProcessorByTypeName("TrackType"));

  const auto records = registry.ReaderRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->topicName, "Alarm");
  EXPECT_EQ(records[1]->topicName, "Track");

  registry.Terminate();
  EXPECT_FALSE(registry.isTopicExists("Track"));
  EXPECT_TRUE(registry.ReaderRecords().empty());
  EXPECT_EQ(track->readerName, "ReaderA");
  EXPECT_NO_THROW(registry.Terminate());
}

}  // namespace
}  // namespace Quorvel
