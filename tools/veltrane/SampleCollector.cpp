#include "SampleCollector.h"

#include "JsonText.h"
#include "OutputSink.h"
#include "StopSignal.h"

namespace Quorvel::Cli {
namespace {

constexpr const char* kTopicKey = "SampleMetaData.CommonMetaData.topic_name";

std::string TopicOfFields(const std::map<std::string, std::string>& fields) {
  const auto topic = fields.find(kTopicKey);
  return topic == fields.end() ? std::string() : topic->second;
}

unsigned long Bit(EngineListenerEventsOptions option) { return static_cast<unsigned long>(option); }

}  // namespace

SampleCollector::SampleCollector(const SampleFormatter& sampleFormatter, OutputSink& outputSink,
                                 StopSignal& stopSignal, Settings collectorSettings)
    : formatter(sampleFormatter), sink(outputSink), stop(stopSignal), settings(std::move(collectorSettings)) {}

unsigned long SampleCollector::Events() const {
  if (formatter.ReadsJson()) {
    return Bit(EngineListenerEventsOptions::USER_DATA_JSON) | Bit(EngineListenerEventsOptions::DISCOVERY_DATA_JSON);
  }
  return Bit(EngineListenerEventsOptions::USER_DATA_MAP) | Bit(EngineListenerEventsOptions::DISCOVERY_DATA_MAP);
}

void SampleCollector::Close() {
  std::lock_guard<std::mutex> guard(mutex);
  closed = true;
}

std::map<std::string, std::uint64_t> SampleCollector::UserSamplesByTopic() const {
  std::lock_guard<std::mutex> guard(mutex);
  return userSamplesByTopic;
}

std::uint64_t SampleCollector::SamplesWritten() const {
  std::lock_guard<std::mutex> guard(mutex);
  return written;
}

void SampleCollector::OnUserDataJson(const std::string& json) {
  Accept({&json, nullptr, JsonText::TopicOfSample(json), false, 0});
}

void SampleCollector::OnUserDataMap(const std::map<std::string, std::string>& fields) {
  Accept({nullptr, &fields, TopicOfFields(fields), false, 0});
}

void SampleCollector::OnDiscoveryDataJson(const std::string& json) {
  Accept({&json, nullptr, JsonText::TopicOfSample(json), true, 0});
}

void SampleCollector::OnDiscoveryDataMap(const std::map<std::string, std::string>& fields) {
  Accept({nullptr, &fields, TopicOfFields(fields), true, 0});
}

void SampleCollector::Accept(DeliveredSample sample) {
  std::lock_guard<std::mutex> guard(mutex);
  if (closed) return;
  if (!sample.discovery) ++userSamplesByTopic[sample.topic];
  const bool limitReached = settings.sampleLimit != 0 && written >= settings.sampleLimit;
  if (limitReached || (sample.discovery && !settings.writeDiscovery) || !settings.filter.Passes(sample.topic)) {
    return;
  }
  sample.number = written + 1;
  if (!sink.Write(formatter.Format(sample))) {
    stop.Request("the output was closed");
    return;
  }
  ++written;
  if (settings.sampleLimit != 0 && written == settings.sampleLimit) stop.Request("sample limit reached");
}

}  // namespace Quorvel::Cli
