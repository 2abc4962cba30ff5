// Type introspection end to end through the facade, on every type of the test type files:
// each answer is checked against the type as the type files' loader builds it, and a few
// types member by member against their XML.

#include "engine/support/LogDirectory.h"
#include "engine/support/Thrown.h"

#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/CommonHelperFunctions.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace Quorvel::Testing {
namespace {

using xtypes::TypeKind;

const std::vector<std::string> kTypePaths = {VELTRANE_TEST_DATA_DIR "/types/system.xml",
                                             VELTRANE_TEST_DATA_DIR "/types/rich"};

EngineConfiguration Introspection(std::vector<std::string> paths = kTypePaths) {
  EngineConfiguration configuration;
  configuration.operationMode = EngineOperationMode::TYPE_INTROSPECTION;
  configuration.ddsConfigurationFilesPath = std::move(paths);
  return configuration;
}

const Element& Find(const TypeInfo& info, const std::string& longName) {
  for (const auto& element : info.elements)
    if (element->longMemberName == longName) return *element;
  throw std::runtime_error("no element " + longName + " in " + info.name);
}

template <typename T>
const T& As(const Element& element) {
  const T* typed = dynamic_cast<const T*>(&element);
  if (typed == nullptr) throw std::runtime_error(element.longMemberName + " has another element class");
  return *typed;
}

std::uint32_t EngineKindOf(const xtypes::DynamicTypePtr& type) {
  return CommonHelperFunctions::DDSTypeKindToEngineTypeKind(type->Resolve().kind());
}

class TypeIntrospection : public ::testing::Test {
 protected:
  void SetUp() override {
    veltrane.Init(Introspection());
    veltrane.Run();
  }
  LogDirectory log{LogSeverityLevel::WARNING};
  Veltrane veltrane;
};

// Every structure and union: the answer agrees with the loader's type, member by member.
TEST_F(TypeIntrospection, EveryTypeAgreesWithTheLoadedType) {
  std::vector<std::filesystem::path> paths(kTypePaths.begin(), kTypePaths.end());
  std::string participant;
  EngineDDSConfig loaded(EngineOperationMode::TYPE_INTROSPECTION, paths, -1, participant, false);
  loaded.Init();

  const std::vector<TypeBasicInfo> types = veltrane.GetTypesBasicInfo();
  ASSERT_GT(types.size(), 20u);
  for (const TypeBasicInfo& basic : types) {
    SCOPED_TRACE(basic.name);
    const TypeInfo info = veltrane.IntrospectType(basic.name);
    EXPECT_EQ(info.name, basic.name);
    EXPECT_EQ(info.nested, basic.nested);
    const xtypes::DynamicTypePtr type = loaded.ExtractDynamicType(basic.name);
    ASSERT_FALSE(info.elements.empty());
    const Element& root = *info.elements.front();
    EXPECT_TRUE(root.isNode);
    EXPECT_EQ(root.engineKind, EngineKindOf(type));
    std::uint64_t total = 0, leaves = 0;
    for (const auto& element : info.elements) {
      total += element->size;
      leaves += element->isNode ? 0 : 1;
    }
    EXPECT_EQ(info.totalSize, total);
    EXPECT_EQ(info.leafCount, leaves);

    if (type->kind() == TypeKind::STRUCTURE) {
      EXPECT_EQ(As<StructureElement>(root).structTypeName, basic.name);
      EXPECT_EQ(As<StructureElement>(root).baseTypeName,
                type->has_parent() ? type->parent()->name() : "");
      for (const xtypes::Member& member : type->all_members()) {
        const TypeKind kind = member.type->Resolve().kind();
        if (kind == TypeKind::BITSET) continue;  // bitsets have no column
        const Element& element = Find(info, member.name);
        EXPECT_EQ(element.engineKind, EngineKindOf(member.type)) << member.name;
        EXPECT_EQ(element.isKey, member.key) << member.name;
        EXPECT_EQ(element.isOptional, member.optional) << member.name;
        EXPECT_EQ(element.depth, root.depth + 1) << member.name;
        if (kind == TypeKind::ENUMERATION) {
          const auto& enumerators = As<EnumElement>(element).enumerators;
          const auto& expected = member.type->Resolve().enumerators();
          ASSERT_EQ(enumerators.size(), expected.size()) << member.name;
          for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(enumerators[i].name, expected[i].name);
            EXPECT_EQ(enumerators[i].ordinal, expected[i].value);
          }
        }
        if (kind == TypeKind::STRING || kind == TypeKind::WSTRING)
          EXPECT_EQ(As<StringElement>(element).bound, member.type->Resolve().bound()) << member.name;
        if (kind == TypeKind::SEQUENCE)
          EXPECT_EQ(As<CollectionElement>(element).bound, member.type->Resolve().bound()) << member.name;
      }
    } else {
      ASSERT_EQ(type->kind(), TypeKind::UNION);
      EXPECT_EQ(As<UnionElement>(root).memberCount, type->members().size());
      const Element& discriminator = *info.elements.at(1);
      EXPECT_EQ(discriminator.name, "discriminator");
      ASSERT_EQ(discriminator.unionMemberInfos.size(), type->members().size());
      for (std::size_t i = 0; i < type->members().size(); ++i) {
        const xtypes::Member& member = type->members()[i];
        EXPECT_EQ(discriminator.unionMemberInfos[i].name, member.name);
        EXPECT_EQ(discriminator.unionMemberInfos[i].labels, member.labels);
        EXPECT_EQ(discriminator.unionMemberInfos[i].engineKind, EngineKindOf(member.type));
      }
    }
  }
}

TEST_F(TypeIntrospection, TrackAsItsTypeFileDeclaresIt) {
  const TypeInfo track = veltrane.IntrospectType("Geo::Track");
  EXPECT_EQ(As<StructureElement>(*track.elements.front()).baseTypeName, "Geo::TrackBase");
  // The base's node, then the inherited members first, at the structure's own level.
  EXPECT_EQ(As<StructureElement>(*track.elements.at(1)).structTypeName, "Geo::TrackBase");
  EXPECT_EQ(track.elements.at(2)->longMemberName, "id");
  EXPECT_TRUE(track.elements.at(2)->isKey);

  const auto& status = As<EnumElement>(Find(track, "status"));
  EXPECT_EQ(status.enumTypeName, "Common::Status");
  EXPECT_EQ(status.engineKindName, "ENUMERATION");
  std::vector<std::pair<std::int32_t, std::string>> enumerators;
  for (const Enumerator& e : status.enumerators) enumerators.emplace_back(e.ordinal, e.name);
  EXPECT_EQ(enumerators, (std::vector<std::pair<std::int32_t, std::string>>{
                             {0, "UNKNOWN"}, {1, "NOMINAL"}, {10, "DEGRADED"}, {11, "FAILED"}}));

  const auto& grid = As<CollectionElement>(Find(track, "grid"));
  EXPECT_EQ(grid.engineKindName, "ARRAY");
  EXPECT_EQ(grid.bound, 6u);
  EXPECT_EQ(grid.elementKindName, "INT_16");
  const auto& path = As<CollectionElement>(Find(track, "path"));
  EXPECT_EQ(path.bound, 100u);
  EXPECT_EQ(path.elementKind, 21u);
  EXPECT_EQ(As<StringElement>(Find(track, "note")).bound, 0u);  // unbounded
  EXPECT_TRUE(Find(track, "note").isOptional);

  const Element& alt = Find(track, "alt");
  EXPECT_EQ(alt.engineKindName, "FLOAT_32");
  EXPECT_EQ(alt.minValue, "0");
  EXPECT_EQ(alt.unit, "m");
  EXPECT_EQ(alt.maxValue, "");
  const Element& nanosec = Find(track, "stamp.nanosec");
  EXPECT_EQ(nanosec.maxValue, "999999999");
  EXPECT_EQ(nanosec.unit, "ns");
  EXPECT_EQ(nanosec.depth, track.elements.front()->depth + 2);
  EXPECT_EQ(nanosec.nestedNames, (std::vector<std::string>{"stamp", "nanosec"}));

  const auto& value = As<UnionElement>(Find(track, "value"));
  EXPECT_EQ(value.unionTypeName, "Geo::TrackValue");
  EXPECT_EQ(value.memberCount, 3u);
  const Element& discriminator = Find(track, "value.discriminator");
  ASSERT_EQ(discriminator.unionMemberInfos.size(), 3u);
  const UnionMemberInfo& speed = discriminator.unionMemberInfos[0];
  EXPECT_EQ(speed.name, "speed");
  EXPECT_EQ(speed.labels, (std::vector<std::int64_t>{1}));
  EXPECT_EQ(speed.engineKindName, "FLOAT_32");
  const UnionMemberInfo& reason = discriminator.unionMemberInfos[1];
  EXPECT_EQ(reason.labels, (std::vector<std::int64_t>{10, 11}));
  EXPECT_EQ(reason.engineKindName, "STRING");
  EXPECT_TRUE(discriminator.unionMemberInfos[2].labels.empty());  // the default case
}

TEST_F(TypeIntrospection, SensorKindsBoundsAndUnionLabels) {
  const TypeInfo sensor = veltrane.IntrospectType("Sensors::Sensor");
  EXPECT_TRUE(Find(sensor, "sensor_id").isKey);
  EXPECT_EQ(Find(sensor, "sensor_id").engineKindName, "UINT_32");
  EXPECT_EQ(As<StringElement>(Find(sensor, "name")).bound, 32u);
  EXPECT_EQ(As<StringElement>(Find(sensor, "wide_name")).bound, 20u);
  EXPECT_EQ(Find(sensor, "wide_name").engineKindName, "WSTRING");
  EXPECT_EQ(Find(sensor, "signed_byte").engineKindName, "INT_8");
  EXPECT_EQ(Find(sensor, "signed_byte").engineKind, 22u);
  EXPECT_TRUE(Find(sensor, "gain").isOptional);
  const auto& batches = As<CollectionElement>(Find(sensor, "batches"));
  EXPECT_EQ(batches.bound, 10u);
  // A bounded sequence of the unbounded ReadingSeq.
  EXPECT_EQ(batches.elementKindName, "SEQUENCE");
  const auto& choice = As<UnionElement>(Find(sensor, "choice"));
  EXPECT_EQ(choice.unionTypeName, "Sensors::ShortChoice");
  const Element& discriminator = Find(sensor, "choice.discriminator");
  EXPECT_EQ(discriminator.engineKindName, "INT_16");
  ASSERT_EQ(discriminator.unionMemberInfos.size(), 3u);
  EXPECT_EQ(discriminator.unionMemberInfos[0].labels, (std::vector<std::int64_t>{1, 2}));
  EXPECT_EQ(discriminator.unionMemberInfos[1].labels, (std::vector<std::int64_t>{-7}));
  EXPECT_EQ(discriminator.unionMemberInfos[1].typeName, "Geo::Point");
  EXPECT_EQ(discriminator.unionMemberInfos[1].engineKindName, "STRUCTURE");
  EXPECT_EQ(discriminator.unionMemberInfos[2].name, "fallback");
  EXPECT_EQ(discriminator.unionMemberInfos[2].engineKindName, "UINT_8");

  const TypeInfo point = veltrane.IntrospectType("Geo::Point");
  const Element& x = Find(point, "x");
  EXPECT_EQ(x.minValue, "-10000");
  EXPECT_EQ(x.maxValue, "10000");
  EXPECT_EQ(x.defaultValue, "0");
  EXPECT_EQ(x.unit, "m");
}

TEST_F(TypeIntrospection, UnknownTypeIsReportedWithTheLoadersCause) {
  const std::string error = Thrown<std::runtime_error>([&] { veltrane.IntrospectType("Geo::Nowhere"); });
  EXPECT_EQ(error.rfind(" Error dissecting dynamic type = Geo::Nowhere. Error = Cannot find a matching "
                        "TypeDefintion in DDS Type for TypeName = Geo::Nowhere. Error = ", 0),
            0u)
      << error;
  EXPECT_TRUE(log.Contains("error", error));
}

TEST(TypeIntrospectionStates, RefusedInOtherModesAndBeforeRun) {
  LogDirectory log{LogSeverityLevel::WARNING};
  Veltrane never;
  EXPECT_EQ(Thrown<std::runtime_error>([&] { never.IntrospectType("Geo::Track"); }),
            "Cannot IntrospectType in current operation mode. Change to TYPE_INTROSPECTION.");
  EXPECT_EQ(Thrown<std::runtime_error>([&] { never.GetTypesBasicInfo(); }),
            "Engine is not initialized / running");

  EngineConfiguration recording = Introspection();
  recording.operationMode = EngineOperationMode::RECORD_DISSECTION;
  recording.jsonOutput = true;
  Veltrane other;
  other.Init(recording);
  other.Run();
  EXPECT_EQ(Thrown<std::runtime_error>([&] { other.IntrospectType("Geo::Track"); }),
            "Cannot IntrospectType in current operation mode. Change to TYPE_INTROSPECTION.");
  const std::size_t typeCount = other.GetTypesBasicInfo().size();
  EXPECT_GT(typeCount, 0u);
  other.Shutdown();

  Veltrane notRunning;
  notRunning.Init(Introspection());
  EXPECT_EQ(Thrown<std::runtime_error>([&] { notRunning.IntrospectType("Geo::Track"); }),
            "Cannot IntrospectType Message if the engine in not running. Call Run() before calling "
            "this function");
  EXPECT_EQ(notRunning.GetTypesBasicInfo().size(), typeCount);
  notRunning.Run();
  EXPECT_EQ(notRunning.IntrospectType("Geo::Track").name, "Geo::Track");
  notRunning.Shutdown();
  EXPECT_TRUE(log.Contains("error", "Cannot IntrospectType in current operation mode. Change to "
                                    "TYPE_INTROSPECTION."));
}

}  // namespace
}  // namespace Quorvel::Testing
