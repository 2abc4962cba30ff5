#include <quorvel/DissectedSampleInterface.h>

#include "dissection/DDSSample.h"
#include "dissection/DataProcessor.h"
#include "dissection/DissectedSample.h"

#include <stdexcept>

namespace Quorvel {

// The cell keeps the sample type out of the public header.
struct DissectedSampleInterface::Cell {
  std::shared_ptr<DissectedSample> sample;
};

namespace {

const TypeProcessor& ProcessorOf(const DissectedSample& sample) {
  if (sample.Processor() == nullptr)
    throw std::logic_error("DissectedSampleInterface: the sample has no type processor");
  return *sample.Processor();
}

}  // namespace

DissectedSampleInterface::DissectedSampleInterface() = default;

DissectedSampleInterface::DissectedSampleInterface(std::shared_ptr<DissectedSample> sample) {
  if (sample) cell = std::make_unique<Cell>(Cell{std::move(sample)});
}

DissectedSampleInterface::DissectedSampleInterface(DissectedSampleInterface&&) noexcept = default;
DissectedSampleInterface& DissectedSampleInterface::operator=(DissectedSampleInterface&&) noexcept =
    default;
DissectedSampleInterface::~DissectedSampleInterface() = default;

bool DissectedSampleInterface::IsNull() const { return !cell || !cell->sample; }

std::string DissectedSampleInterface::TypeName() const {
  if (IsNull()) throw std::logic_error("DissectedSampleInterface::TypeName on a null sample");
  return ProcessorOf(*cell->sample).TypeName();
}

std::uint32_t DissectedSampleInterface::BufferMaxSize() const {
  if (IsNull()) throw std::logic_error("DissectedSampleInterface::BufferMaxSize on a null sample");
  return ProcessorOf(*cell->sample).RowBufferSize();
}

const std::uint8_t* DissectedSampleInterface::GetBuffer() const {
  if (IsNull() || !cell->sample->Sample()) return nullptr;
  const std::vector<std::uint8_t>& row = cell->sample->Sample()->Output().RowBuffer();
  return row.empty() ? nullptr : row.data();
}

std::map<std::string, std::string> DissectedSampleInterface::ToMap() const {
  if (IsNull() || !cell->sample->Sample()) return {};
  return cell->sample->Sample()->Output().ToMap();
}

std::string DissectedSampleInterface::ToJson() const {
  if (IsNull() || !cell->sample->Sample()) return {};
  return cell->sample->Sample()->Output().ToJson();
}

}  // namespace Quorvel
