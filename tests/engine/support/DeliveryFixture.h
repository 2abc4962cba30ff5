#pragma once

// Real dissected samples for delivery tests: a small "Track" type (id, flag, nested position),
// a processor that dissects one sample per call, and an engine whose registry delivers through
// DDSEngine::HandleDissectedSample.

#include "dissection/DataProcessor.h"
#include "dissection/DissectedSample.h"
#include "engine/core/DDSEngine.h"
#include "engine/core/EngineConfig.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Quorvel {
class DDSSample;
struct SampleMetadata;
}

namespace Quorvel::Testing {

class FixtureSample : public DissectedSample {
 public:
  using DissectedSample::DissectedSample;
  DissectedSampleSource Type() const override { return DissectedSampleSource::ACTIVE; }
};

class TrackProcessor : public DataProcessor {
 public:
  TrackProcessor(std::shared_ptr<EngineConfig> config, SampleHandler handler);
  void CreateBenchmarkLogger() override {}
  void Terminate() override {}
  void Operation() override { Dissect(0, DissectedSampleDataType::USER_DATA); }
  // Dissects a sample whose id is `id` and hands it to the handler.
  void Dissect(std::int32_t id, DissectedSampleDataType kind);
  // Dissects without delivering.
  std::shared_ptr<DissectedSample> Make(std::int32_t id, DissectedSampleDataType kind);
  // The dissected data of a sample carrying `metadata` (its metadata columns not yet written).
  std::shared_ptr<DDSSample> MakeSample(std::int32_t id,
                                        std::shared_ptr<SampleMetadata> metadata = nullptr);
};

class DeliveringEngine : public DDSEngine {
 public:
  using DDSEngine::DDSEngine;
  void Init() override;
  void Run() override {}
  void Terminate() override {}
  EngineDB& Registry() const { return DB(); }
};

std::shared_ptr<EngineConfig> OutputConfig(bool json, bool map,
                                           FieldsOrdering ordering = FieldsOrdering::TYPE_BASED_ORDERING);

// The "id" of a delivered map or JSON text.
std::int32_t IdOf(const std::map<std::string, std::string>& fields);
std::int32_t IdOfJson(const std::string& json);

}  // namespace Quorvel::Testing
