#pragma once

// The base of every worker that turns incoming samples of one type into DissectedSamples
// (active topic and publication processors, passive discovery and user-data processors).
// Subclasses call Deliver for every sample they finish.

#include "dissection/OutputSettings.h"
#include "dissection/TypeProcessor.h"

#include <functional>
#include <memory>

namespace Quorvel {

class DissectedSample;
class EngineConfig;
class EngineDB;

class DataProcessor : public TypeProcessor {
 public:
  using SampleHandler = std::function<void(std::shared_ptr<DissectedSample>, DataProcessor*)>;

  // `metadata`: the type files' annotations (may be null).
  DataProcessor(std::string typeName, xtypes::DynamicTypePtr type, SampleHandler handler,
                std::shared_ptr<const EngineConfig> config, std::shared_ptr<EngineDB> engineDB,
                const ddsconfig::TypeFileMetadata* metadata = nullptr);
  ~DataProcessor() override;

  virtual void CreateBenchmarkLogger() = 0;
  virtual void Operation() = 0;
  virtual void Init() {}
  virtual void Terminate() = 0;

  // A debug listing of the columns.
  void PrintHeader() const;
  [[noreturn]] void CreateSampleLogger();
  [[noreturn]] void SaveHeaderStructureToCSV();

  const OutputSettings& Settings() const { return settings; }
  const std::shared_ptr<const EngineConfig>& Config() const { return config; }
  const std::shared_ptr<EngineDB>& DB() const { return engineDB; }

 protected:
  void Deliver(std::shared_ptr<DissectedSample> sample);

 private:
  SampleHandler handler;
  std::shared_ptr<const EngineConfig> config;
  std::shared_ptr<EngineDB> engineDB;
  OutputSettings settings;
};

}  // namespace Quorvel
