#include <quorvel/DissectedSampleInterface.h>

namespace Quorvel {

// The cell keeps the sample type out of the public header.
struct DissectedSampleInterface::Cell {
  std::shared_ptr<DissectedSample> sample;
};

DissectedSampleInterface::DissectedSampleInterface() = default;

DissectedSampleInterface::DissectedSampleInterface(std::shared_ptr<DissectedSample> sample) {
  if (sample) cell = std::make_unique<Cell>(Cell{std::move(sample)});
}

DissectedSampleInterface::DissectedSampleInterface(DissectedSampleInterface&&) noexcept = default;
DissectedSampleInterface& DissectedSampleInterface::operator=(DissectedSampleInterface&&) noexcept =
    default;
DissectedSampleInterface::~DissectedSampleInterface() = default;

bool DissectedSampleInterface::IsNull() const { return !cell || !cell->sample; }

}  // namespace Quorvel
