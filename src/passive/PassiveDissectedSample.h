#pragma once

// A sample dissected from captured traffic: user data or a discovery announcement, with the
// name of its kind ("UserData", "ParticipantDiscovery", "DataWriterEndpointDiscovery",
// "DataReaderEndpointDiscovery").

#include "dissection/DissectedSample.h"

#include <string>

namespace Quorvel::passive {

class PassiveDissectedSample : public DissectedSample {
 public:
  PassiveDissectedSample(std::shared_ptr<DDSSample> sample, DataProcessor* processor,
                         DissectedSampleDataType dataType, std::string kindName)
      : DissectedSample(std::move(sample), processor, dataType), kindName(std::move(kindName)) {}

  DissectedSampleSource Type() const override { return DissectedSampleSource::PASSIVE; }
  const std::string& KindName() const { return kindName; }

 private:
  std::string kindName;
};

}  // namespace Quorvel::passive
