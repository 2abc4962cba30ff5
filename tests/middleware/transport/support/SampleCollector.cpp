#include "middleware/transport/support/SampleCollector.h"

#include "middleware/transport/WaitCondition.h"

#include <algorithm>

namespace Quorvel::TransportTest {

SampleCollector::SampleCollector(std::shared_ptr<Transport::TopicReader> topicReader,
                                 Transport::AsyncWaitSet& waitSet)
    : reader(std::move(topicReader)) {
  waitSet.Attach(reader->Condition(), [this] {
    std::vector<Transport::ReceivedSample> batch;
    reader->TakeAll(batch);
    std::lock_guard<std::mutex> guard(mutex);
    for (auto& sample : batch) samples.push_back(std::move(sample));
  });
}

std::vector<Transport::ReceivedSample> SampleCollector::Samples() const {
  std::lock_guard<std::mutex> guard(mutex);
  return samples;
}

std::size_t SampleCollector::Count() const {
  std::lock_guard<std::mutex> guard(mutex);
  return samples.size();
}

std::size_t SampleCollector::ValidCount() const {
  std::lock_guard<std::mutex> guard(mutex);
  return static_cast<std::size_t>(
      std::count_if(samples.begin(), samples.end(), [](const auto& s) { return s.info.validData; }));
}

}  // namespace Quorvel::TransportTest
