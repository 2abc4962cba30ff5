#include "dissection/DissectedSample.h"

#include "common/Log.h"
#include "dissection/DDSSample.h"
#include "dissection/DataProcessor.h"

namespace Quorvel {

DissectedSample::DissectedSample(std::shared_ptr<DDSSample> sample, DataProcessor* processor,
                                 DissectedSampleDataType dataType)
    : sample(std::move(sample)), processor(processor), dataType(dataType) {
  // The outputs are complete once the sample is wrapped for delivery: its JSON texts are
  // finished here, on the worker that dissected it, and only read from now on.
  if (!this->sample) return;
  this->sample->Output().Finish();
  if (processor) processor->NoteJsonSize(this->sample->Output().JsonSize());
}

DissectedSample::~DissectedSample() { LogTrace("~DissectedSample"); }

}  // namespace Quorvel
