#include "dissection/DDSSample.h"

#include "dissection/TypeProcessor.h"

namespace Quorvel {

DDSSample::DDSSample(const TypeProcessor& processor, OutputSettings settings,
                     std::shared_ptr<SampleMetadata> metadata)
    : columns(&processor.Columns()),
      bufferMaxSize(processor.RowBufferSize()),
      metadata(std::move(metadata)),
      outputter(bufferMaxSize, columns, settings) {}

}  // namespace Quorvel
