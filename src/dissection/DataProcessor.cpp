#include "dissection/DataProcessor.h"

#include "common/Log.h"
#include "engine/core/EngineConfig.h"

#include <stdexcept>

namespace Quorvel {

namespace {

const EngineConfig& Required(const std::shared_ptr<const EngineConfig>& config) {
  if (!config) throw std::invalid_argument("DataProcessor needs an engine configuration");
  return *config;
}

}  // namespace

DataProcessor::DataProcessor(std::string typeName, xtypes::DynamicTypePtr type,
                             SampleHandler handler, std::shared_ptr<const EngineConfig> config,
                             std::shared_ptr<EngineDB> engineDB,
                             const ddsconfig::TypeFileMetadata* metadata)
    : TypeProcessor(std::move(typeName), std::move(type),
                    FlatteningOptions::From(Required(config), metadata)),
      handler(std::move(handler)),
      config(std::move(config)),
      engineDB(std::move(engineDB)),
      settings(OutputSettings::From(*this->config)) {}

DataProcessor::~DataProcessor() { LogDebug("~DataProcessor"); }

void DataProcessor::Deliver(std::shared_ptr<DissectedSample> sample) {
  if (handler) handler(std::move(sample), this);
}

void DataProcessor::PrintHeader() const {
  if (!Log::Enabled(LogSeverityLevel::DEBUG)) return;
  std::string text = "Columns of " + TypeName() + ":";
  std::size_t position = 0;
  for (const std::unique_ptr<Column>& column : Columns()) {
    text += "\ncolumn " + std::to_string(position++) + "\n\tName : " +
            column->nestedNameConcatenated + "\n\tMember : " + column->memberName +
            "\n\tKind : " + column->ddsTypeName + "\n\tDepth : " + std::to_string(column->depth) +
            "\n\tTypeSize : " + std::to_string(column->typeSize) +
            "\n\tBufferSize : " + std::to_string(column->bufferSize) +
            "\n\tCollectionMaxSize(Opt) : " +
            (column->bound ? std::to_string(*column->bound) : std::string("NULL"));
  }
  Log::Write(LogSeverityLevel::DEBUG, text);
}

void DataProcessor::CreateSampleLogger() { ThrowLogged("CSV SampleLogger is deprecated"); }

void DataProcessor::SaveHeaderStructureToCSV() { ThrowLogged("CSV SampleLogger is deprecated"); }

}  // namespace Quorvel
