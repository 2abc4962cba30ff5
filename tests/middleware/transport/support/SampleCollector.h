#pragma once

// Everything a reader receives, gathered by a wait-set handler that takes all and unlocks.

#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/SampleInfo.h"
#include "middleware/transport/TopicReader.h"

#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel::TransportTest {

class SampleCollector {
public:
  SampleCollector(std::shared_ptr<Transport::TopicReader> reader, Transport::AsyncWaitSet& waitSet);

  std::vector<Transport::ReceivedSample> Samples() const;
  std::size_t Count() const;
  std::size_t ValidCount() const;

private:
  std::shared_ptr<Transport::TopicReader> reader;
  mutable std::mutex mutex;
  std::vector<Transport::ReceivedSample> samples;
};

}  // namespace Quorvel::TransportTest
