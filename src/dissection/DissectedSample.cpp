#include "dissection/DissectedSample.h"

#include "common/Log.h"

namespace Quorvel {

DissectedSample::DissectedSample(std::shared_ptr<DDSSample> sample, DataProcessor* processor,
                                 DissectedSampleDataType dataType)
    : sample(std::move(sample)), processor(processor), dataType(dataType) {}

DissectedSample::~DissectedSample() { LogTrace("~DissectedSample"); }

}  // namespace Quorvel
