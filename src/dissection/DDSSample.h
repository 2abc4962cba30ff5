#pragma once

// One sample on its way to delivery: the column list of its type (not owned), the row size,
// its metadata (shared) and the outputter that its dissections write into.

#include "dissection/Outputter.h"

#include <cstdint>
#include <memory>

namespace Quorvel {

struct SampleMetadata;
class TypeProcessor;

class DDSSample {
 public:
  DDSSample(const TypeProcessor& processor, OutputSettings settings,
            std::shared_ptr<SampleMetadata> metadata = nullptr);

  const ColumnList& Columns() const { return *columns; }
  std::uint64_t BufferMaxSize() const { return bufferMaxSize; }
  const std::shared_ptr<SampleMetadata>& Metadata() const { return metadata; }
  Outputter& Output() { return outputter; }
  const Outputter& Output() const { return outputter; }

 private:
  const ColumnList* columns;
  std::uint64_t bufferMaxSize;
  std::shared_ptr<SampleMetadata> metadata;
  Outputter outputter;
};

}  // namespace Quorvel
