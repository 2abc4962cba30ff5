#include "engine/support/DeliveryFixture.h"

#include "dissection/DDSSample.h"
#include "dissection/DynamicDataDissector.h"
#include "engine/core/EngineDB.h"
#include "middleware/xtypes/DynamicData.h"

#include <nlohmann/json.hpp>

namespace Quorvel::Testing {
namespace {

using xtypes::DynamicType;
using xtypes::TypeKind;

xtypes::Member M(std::string name, xtypes::DynamicTypePtr type) {
  xtypes::Member member;
  member.name = std::move(name);
  member.type = std::move(type);
  return member;
}

xtypes::DynamicTypePtr TrackType() {
  const auto position = DynamicType::Structure(
      "Position", {M("y", DynamicType::Primitive(TypeKind::FLOAT64)),
                   M("x", DynamicType::Primitive(TypeKind::FLOAT64))},
      xtypes::Extensibility::FINAL);
  return DynamicType::Structure("Track",
                                {M("id", DynamicType::Primitive(TypeKind::INT32)),
                                 M("flag", DynamicType::Primitive(TypeKind::BOOLEAN)),
                                 M("pos", position)},
                                xtypes::Extensibility::FINAL);
}

}  // namespace

TrackProcessor::TrackProcessor(std::shared_ptr<EngineConfig> config, SampleHandler handler)
    : DataProcessor("Track", TrackType(), std::move(handler), std::move(config), nullptr) {}

std::shared_ptr<DDSSample> TrackProcessor::MakeSample(std::int32_t id,
                                                      std::shared_ptr<SampleMetadata> metadata) {
  xtypes::DynamicData data(Type());
  data.value<std::int32_t>("id", id);
  data.value<bool>("flag", id % 2 == 1);
  data.loan_value("pos").value<double>("x", id * 0.5);
  auto sample = std::make_shared<DDSSample>(*this, Settings(), std::move(metadata));
  DynamicDataDissector(data, *sample);
  return sample;
}

std::shared_ptr<DissectedSample> TrackProcessor::Make(std::int32_t id,
                                                      DissectedSampleDataType kind) {
  return std::make_shared<FixtureSample>(MakeSample(id), this, kind);
}

void TrackProcessor::Dissect(std::int32_t id, DissectedSampleDataType kind) {
  Deliver(Make(id, kind));
}

void DeliveringEngine::Init() {
  db = std::make_shared<EngineDB>(
      config, [this](std::shared_ptr<DissectedSample> sample, DataProcessor* processor) {
        HandleDissectedSample(std::move(sample), processor);
      });
}

std::shared_ptr<EngineConfig> OutputConfig(bool json, bool map, FieldsOrdering ordering) {
  auto config = std::make_shared<EngineConfig>();
  config->jsonOutput = json;
  config->mapOutput = map;
  config->fieldsOrdering = ordering;
  config->outputKinds = DissectionBitMap((json ? DissectionBitMap::kJson : 0) |
                                         (map ? DissectionBitMap::kFlatMap : 0));
  return config;
}

std::int32_t IdOf(const std::map<std::string, std::string>& fields) {
  return std::stoi(fields.at("SampleData.id"));
}

std::int32_t IdOfJson(const std::string& json) {
  return nlohmann::json::parse(json).at("SampleData").at("id").get<std::int32_t>();
}

}  // namespace Quorvel::Testing
