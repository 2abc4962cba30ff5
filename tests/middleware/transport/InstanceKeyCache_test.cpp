// The key values of instances, found by the handle Fast DDS gives a sample: the key hash of an
// instance seen with data, or (a Cyclone dispose of a short key) the serialized key itself;
// nothing for handles that are neither.

#include "middleware/transport/InstanceKeyCache.h"
#include "middleware/transport/KeyOnlyType.h"
#include "middleware/transport/support/KeyedSeqFixture.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

namespace Quorvel::Transport {
namespace {

using TransportTest::EncodeKeyedSeq;
using TransportTest::KeyedSeqType;
using TransportTest::KeyHashOf;

TEST(InstanceKeyCache, FindsInstancesByKeyHashAndBySerializedKey) {
  InstanceKeyCache cache(KeyedSeqType());
  cache.Remember(KeyHashOf(7), EncodeKeyedSeq({1, 7, {1, 2, 3}}));
  cache.Remember(KeyHashOf(0x01020304), EncodeKeyedSeq({2, 0x01020304, {}}));
  // The first payload of an instance stays.
  cache.Remember(KeyHashOf(7), EncodeKeyedSeq({9, 7, {}}));
  EXPECT_EQ(cache.Size(), 2u);

  struct Case {
    const char* what;
    InstanceHandle handle;
    std::optional<std::uint32_t> seq;  // of the remembered sample, none when not found
  };
  const Case cases[] = {
      {"key hash", KeyHashOf(7), 1u},
      {"serialized key, CDR_LE", {0x00, 0x01, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01}, 2u},
      {"serialized key, CDR_BE", {0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04}, 2u},
      {"serialized key, CDR2_LE", {0x00, 0x07, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00}, 1u},
      {"serialized key of an instance never seen", {0x00, 0x01, 0x00, 0x00, 0x08}, std::nullopt},
      {"key hash of an instance never seen", KeyHashOf(8), std::nullopt},
      {"no encapsulation identifier", {0x12, 0x34, 0x00, 0x00, 0x07}, std::nullopt},
      {"the unknown instance", {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                0xff, 0xff},
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<xtypes::DynamicData> found = cache.KeyValues(c.handle);
    ASSERT_EQ(found.has_value(), c.seq.has_value());
    if (found) {
      EXPECT_EQ(found->value<std::uint32_t>("seq"), *c.seq);
    }
  }
}

TEST(KeyOnlyType, KeepsKeyMembersAndReducesNestedKeyedStructures) {
  using xtypes::DynamicType;
  using xtypes::TypeKind;
  auto member = [](std::string name, xtypes::DynamicTypePtr type, bool key = false) {
    xtypes::Member m;
    m.name = std::move(name);
    m.type = std::move(type);
    m.key = key;
    return m;
  };
  const auto int16 = DynamicType::Primitive(TypeKind::INT16);
  const auto zone = DynamicType::Structure(
      "Zone", {member("zone_id", int16, true), member("zone_name", DynamicType::String())},
      xtypes::Extensibility::APPENDABLE);
  const auto point = DynamicType::Structure("Point", {member("x", int16), member("y", int16)},
                                            xtypes::Extensibility::FINAL);
  const auto outer = DynamicType::Structure(
      "Outer",
      {member("id", DynamicType::Primitive(TypeKind::INT32), true), member("payload", DynamicType::String()),
       member("zone", zone, true), member("at", point, true)},
      xtypes::Extensibility::MUTABLE);
  const xtypes::DynamicTypePtr key = KeyOnlyType(*outer);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->extensibility(), xtypes::Extensibility::FINAL);
  ASSERT_EQ(key->member_count(), 3u);
  EXPECT_EQ(key->all_members()[0].name, "id");
  EXPECT_EQ(key->all_members()[1].name, "zone");
  EXPECT_EQ(key->all_members()[2].name, "at");
  // A nested structure with keys keeps only those; one without keeps everything.
  ASSERT_EQ(key->all_members()[1].type->member_count(), 1u);
  EXPECT_EQ(key->all_members()[1].type->all_members()[0].name, "zone_id");
  EXPECT_EQ(key->all_members()[2].type->member_count(), 2u);
  EXPECT_FALSE(KeyOnlyType(*point));
}

}  // namespace
}  // namespace Quorvel::Transport
