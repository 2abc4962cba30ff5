// The worker base: output choices taken from the engine configuration, samples handed to the
// handler with their processor, and the retired CSV logger.

#include "dissection/DataProcessor.h"
#include "dissection/DDSSample.h"
#include "dissection/DissectedSample.h"
#include "dissection/DynamicDataDissector.h"
#include "engine/core/EngineConfig.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

namespace Quorvel {
namespace {

using xtypes::DynamicType;
using xtypes::TypeKind;

class TestSample : public DissectedSample {
 public:
  using DissectedSample::DissectedSample;
  DissectedSampleSource Type() const override { return DissectedSampleSource::PASSIVE; }
};

// Dissects one queued value per Operation, the way the engines' workers do.
class OneShotProcessor : public DataProcessor {
 public:
  using DataProcessor::DataProcessor;
  void CreateBenchmarkLogger() override {}
  void Terminate() override {}
  void Operation() override {
    xtypes::DynamicData data(Type());
    data.value<std::int32_t>("id", next++);
    data.loan_value("u").discriminator_value(-7);
    auto sample = std::make_shared<DDSSample>(*this, Settings());
    DynamicDataDissector(data, *sample);
    Deliver(std::make_shared<TestSample>(sample, this, DissectedSampleDataType::USER_DATA));
  }
  std::int32_t next = 1;
};

xtypes::Member M(std::string name, xtypes::DynamicTypePtr type, std::vector<std::int64_t> labels = {}) {
  xtypes::Member member;
  member.name = std::move(name);
  member.type = std::move(type);
  member.labels = std::move(labels);
  return member;
}

xtypes::DynamicTypePtr TrackType() {
  const auto u = DynamicType::Union("U", DynamicType::Primitive(TypeKind::INT16),
                                    {M("a", DynamicType::Primitive(TypeKind::INT32), {-7})},
                                    xtypes::Extensibility::FINAL);
  return DynamicType::Structure("Track", {M("id", DynamicType::Primitive(TypeKind::INT32)), M("u", u)},
                                xtypes::Extensibility::FINAL);
}

TEST(DataProcessor, DeliversEachSampleWithItsProcessor) {
  auto config = std::make_shared<EngineConfig>();
  config->outputKinds = DissectionBitMap(DissectionBitMap::kFlatMap);
  config->booleanFormat = BooleanFormat::STRING;
  std::vector<std::pair<std::shared_ptr<DissectedSample>, DataProcessor*>> delivered;
  OneShotProcessor processor(
      "Track", TrackType(),
      [&](std::shared_ptr<DissectedSample> sample, DataProcessor* from) {
        delivered.emplace_back(std::move(sample), from);
      },
      config, nullptr);
  EXPECT_EQ(processor.Settings().booleanFormat, BooleanFormat::STRING);
  processor.Init();
  processor.Operation();
  processor.Operation();
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[1].second, &processor);
  EXPECT_EQ(delivered[1].first->DataType(), DissectedSampleDataType::USER_DATA);
  EXPECT_EQ(delivered[1].first->Type(), DissectedSampleSource::PASSIVE);
  const Outputter& output = delivered[1].first->Sample()->Output();
  EXPECT_EQ(output.MapPrint(), (std::map<std::string, std::string>{{"SampleData.id", "2"},
                                                                   {"SampleData.u.{_d=-7}a", "0"},
                                                                   {"SampleData.u.discriminator", "-7"}}));
  EXPECT_EQ(output.ToJson(), "null");
  processor.PrintHeader();
}

TEST(DataProcessor, RefusesRetiredCsvLoggingAndMissingInputs) {
  auto config = std::make_shared<EngineConfig>();
  OneShotProcessor processor("Track", TrackType(), nullptr, config, nullptr);
  for (auto call : {&DataProcessor::CreateSampleLogger, &DataProcessor::SaveHeaderStructureToCSV}) {
    try {
      (processor.*call)();
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "CSV SampleLogger is deprecated");
    }
  }
  processor.Operation();  // no handler: nothing to deliver to, nothing fails
  EXPECT_THROW(OneShotProcessor("Track", TrackType(), nullptr, nullptr, nullptr), std::invalid_argument);
  try {
    OneShotProcessor("Ghost", nullptr, nullptr, config, nullptr);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Ghost is null. Cannot process type");
  }
}

TEST(DataDissectionTopLevel, UnionTypesDissectAndOtherKindsAreSkipped) {
  const auto u = DynamicType::Union("Top", DynamicType::Primitive(TypeKind::INT32),
                                    {M("a", DynamicType::Primitive(TypeKind::INT32), {1, 2}),
                                     M("b", DynamicType::String(8), {3})},
                                    xtypes::Extensibility::FINAL);
  const TypeProcessor processor("Top", u, FlatteningOptions{});
  xtypes::DynamicData data(u);
  data.discriminator_value(3);
  data.value<std::string>(2, "hey");
  const OutputSettings settings{DissectionBitMap(DissectionBitMap::kJson | DissectionBitMap::kFlatMap),
                                BooleanFormat::NUMERIC, EnumOutputFormat::VALUE,
                                FieldsOrdering::TYPE_BASED_ORDERING};
  DDSSample sample(processor, settings);
  DynamicDataDissector(data, sample);
  EXPECT_EQ(sample.Output().ToJson(), R"({"SampleData":{"discriminator":3,"b":"hey"}})");
  EXPECT_EQ(sample.Output().MapPrint(),
            (std::map<std::string, std::string>{{"SampleData.b", "hey"}, {"SampleData.discriminator", "3"}}));

  const auto primitive = DynamicType::Primitive(TypeKind::INT32);
  const TypeProcessor primitiveProcessor("long", primitive, FlatteningOptions{});
  xtypes::DynamicData value(primitive);
  DDSSample primitiveSample(primitiveProcessor, settings);
  DynamicDataDissector(value, primitiveSample);
  EXPECT_EQ(primitiveSample.Output().ToJson(), R"({"SampleData":null})");
  EXPECT_TRUE(primitiveSample.Output().MapPrint().empty());
}

}  // namespace
}  // namespace Quorvel
