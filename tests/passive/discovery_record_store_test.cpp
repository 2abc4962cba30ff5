// The registry's discovery records: the first record of a key is kept, replacing is explicit,
// listing is in key order, and concurrent writers and readers lose nothing.

#include "support/LogCapture.h"
#include "passive/DiscoveryRecordStore.h"

#include <gtest/gtest.h>

#include <thread>

namespace Quorvel::passive {
namespace {

using Quorvel::testing::LogCapture;

WriterKey Key(uint32_t entity) { return WriterKey{{0x01020304, 0x05060708, 0x090a0b0c, entity}}; }

PassiveEndPointDiscoveryRecord Endpoint(const std::string& topic, const std::string& type) {
  PassiveEndPointDiscoveryRecord record;
  record.topicName = topic;
  record.typeName = type;
  return record;
}

TEST(DiscoveryRecordStore, AParticipantAnnouncedTwiceKeepsItsFirstRecord) {
  LogCapture log;
  DiscoveryRecordStore store;
  PassiveParticipantDiscoveryRecord first, second;
  first.participantName = "first";
  second.participantName = "second";
  EXPECT_FALSE(store.IsParticipantDiscoveryRecordExists(Key(0x1c1)));
  EXPECT_TRUE(store.InsertParticipantDiscoveryRecord(first, Key(0x1c1)));
  EXPECT_FALSE(store.InsertParticipantDiscoveryRecord(second, Key(0x1c1)));
  EXPECT_TRUE(store.IsParticipantDiscoveryRecordExists(Key(0x1c1)));
  EXPECT_EQ(store.GetParticipantDiscoveryRecordByKey(Key(0x1c1))->participantName, "first");
  EXPECT_FALSE(store.GetParticipantDiscoveryRecordByKey(Key(0x2c1)).has_value());
  const std::string guid = Key(0x1c1).GuidText();
  EXPECT_EQ(log.Count("Inserted a new Data(p) " + guid + " to DB"), 1u);
  EXPECT_EQ(log.Count("Data(p) " + guid + " already in DB"), 1u);
}

TEST(DiscoveryRecordStore, AnEndpointIsReplacedOnlyThroughRemoveAndListedInKeyOrder) {
  DiscoveryRecordStore store;
  EXPECT_TRUE(store.InsertEndpointDiscoveryRecord(Endpoint("B", "TB"), Key(0x202)));
  EXPECT_TRUE(store.InsertEndpointDiscoveryRecord(Endpoint("A", "TA"), Key(0x102)));
  EXPECT_FALSE(store.InsertEndpointDiscoveryRecord(Endpoint("A", "Other"), Key(0x102)));
  EXPECT_EQ(store.GetEndpointDiscoveryRecordByKey(Key(0x102))->typeName, "TA");

  EXPECT_TRUE(store.RemoveEndpointDiscoveryRecord(Key(0x102)));
  EXPECT_FALSE(store.RemoveEndpointDiscoveryRecord(Key(0x102)));
  EXPECT_FALSE(store.IsEndpointDiscoveryRecordExists(Key(0x102)));
  EXPECT_TRUE(store.InsertEndpointDiscoveryRecord(Endpoint("A", "Other"), Key(0x102)));

  const auto records = store.GetEndpointDiscoveryRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].typeName, "Other");
  EXPECT_EQ(records[1].typeName, "TB");

  store.Clear();
  EXPECT_TRUE(store.GetEndpointDiscoveryRecords().empty());
}

TEST(DiscoveryRecordStore, ConcurrentDiscoveryRunsAndLookupsLoseNothing) {
  DiscoveryRecordStore store;
  constexpr uint32_t kPerThread = 2000;
  std::vector<std::thread> threads;
  for (uint32_t t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      for (uint32_t i = 0; i < kPerThread; ++i) {
        const WriterKey key = Key(t * kPerThread + i);
        store.InsertEndpointDiscoveryRecord(Endpoint("T", "Type"), key);
        EXPECT_TRUE(store.GetEndpointDiscoveryRecordByKey(key).has_value());
        store.GetEndpointDiscoveryRecordByKey(Key(i));  // another thread's key, maybe absent
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(store.GetEndpointDiscoveryRecords().size(), 4 * kPerThread);
}

}  // namespace
}  // namespace Quorvel::passive
