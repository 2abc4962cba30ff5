#include "dissection/DDSSample.h"

#include "dissection/TypeProcessor.h"

namespace Quorvel {

DDSSample::DDSSample(const TypeProcessor& processor, OutputSettings settings,
                     std::shared_ptr<SampleMetadata> metadata)
    : columns(&processor.Columns()),
      bufferMaxSize(processor.RowBufferSize()),
      metadata(std::move(metadata)),
      outputter(bufferMaxSize, columns, settings) {
  // A little above the last sample's size, so that a slightly longer one fits too.
  const std::size_t hint = processor.JsonSizeHint();
  outputter.ReserveJson(hint + hint / 8);
  outputter.UseSpareTexts(processor.SpareJsonTexts());
}

}  // namespace Quorvel
