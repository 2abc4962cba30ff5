#include "middleware/transport/FastDdsTopicReader.h"

#include "common/Log.h"
#include "middleware/transport/FastDdsConversions.h"
#include "middleware/transport/GenericPayloadType.h"
#include "middleware/transport/WaitCondition.h"
#include "middleware/xtypes/DynamicData.h"

#include <fastdds/dds/core/LoanableSequence.hpp>
#include <fastdds/dds/core/status/SubscriptionMatchedStatus.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace Quorvel::Transport {
namespace {

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::types::ReturnCode_t;

// One handler run takes at most this many samples, so that a flood from one writer cannot hold
// a pool thread forever; the condition is triggered again for the rest.
constexpr std::size_t kMaxSamplesPerTake = 4096;

}  // namespace

FastDdsTopicReader::FastDdsTopicReader(std::string readerName, xtypes::DynamicTypePtr readerType,
                                       dds::Subscriber& owner, dds::Topic& topic, const dds::DataReaderQos& qos)
    : name(std::move(readerName)),
      topicName(topic.get_name()),
      typeName(topic.get_type_name()),
      type(std::move(readerType)),
      condition(WaitCondition::Create()),
      keys(type),
      subscriber(&owner) {
  reader = subscriber->create_datareader(&topic, qos, this, dds::StatusMask::data_available());
  if (!reader) ThrowLogged("Fast DDS refused DataReader " + name + " on topic " + topicName);
  LogDebug("Created DataReader " + name + " on topic " + topicName + " of type " + typeName);
}

FastDdsTopicReader::~FastDdsTopicReader() { Close(); }

void FastDdsTopicReader::Close() {
  std::unique_lock<std::shared_mutex> guard(closeMutex);
  if (!reader) return;
  reader->set_listener(nullptr);
  const ReturnCode_t result = subscriber->delete_datareader(reader);
  if (result != ReturnCode_t::RETCODE_OK) {
    LogError("Deleting DataReader " + name + " failed: " + ReturnCodeText(result));
  }
  reader = nullptr;
}

dds::DataReader& FastDdsTopicReader::Open() const {
  if (!reader) ThrowLogged("DataReader is closed: " + name);
  return *reader;
}

void FastDdsTopicReader::on_data_available(dds::DataReader*) { condition->Trigger(); }

std::size_t FastDdsTopicReader::TakeAll(std::vector<ReceivedSample>& samples) {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  dds::DataReader& open = Open();
  std::size_t taken = 0;
  const bool keyed = type->Resolve().HasKey();
  // Streams mostly repeat a few instances: the cache (and its lock) is asked once per run of
  // samples of one instance, not once per sample.
  std::optional<InstanceHandle> lastKnown;
  while (taken < kMaxSamplesPerTake) {
    dds::LoanableSequence<SerializedPayload> data;
    dds::SampleInfoSeq infos;
    const ReturnCode_t result = open.take(data, infos);
    if (result == ReturnCode_t::RETCODE_NO_DATA) return taken;
    CheckReturnCode(result, "DataReader::take on " + name);
    // The loan goes back on every path, a throw while copying included.
    const std::unique_ptr<dds::DataReader, std::function<void(dds::DataReader*)>> loan(
        &open, [&](dds::DataReader* owner) { owner->return_loan(data, infos); });
    for (dds::LoanableCollection::size_type i = 0; i < infos.length(); ++i) {
      ReceivedSample& sample = samples.emplace_back();
      sample.info = ToSampleInfo(infos[i]);
      if (infos[i].valid_data) {
        // The loaned sample is ours to empty: Fast DDS fills it anew on its next use.
        sample.payload.swap(data[i].bytes);
        const InstanceHandle& instance = sample.info.instanceHandle;
        if (keyed && instance != kUnknownInstance && instance != lastKnown) {
          if (!keys.Knows(instance)) keys.Remember(instance, sample.payload);
          lastKnown = instance;
        }
      }
    }
    taken += infos.length();
  }
  condition->Trigger();
  return taken;
}

std::optional<xtypes::DynamicData> FastDdsTopicReader::KeyValues(const InstanceHandle& instance) const {
  return keys.KeyValues(instance);
}

void FastDdsTopicReader::Enable() {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  CheckReturnCode(Open().enable(), "DataReader::enable of " + name);
}

bool FastDdsTopicReader::Enabled() const {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  return reader && reader->is_enabled();
}

std::size_t FastDdsTopicReader::MatchedWriters() const {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  dds::SubscriptionMatchedStatus status;
  CheckReturnCode(Open().get_subscription_matched_status(status), "DataReader::get_subscription_matched_status");
  return static_cast<std::size_t>(status.current_count);
}

}  // namespace Quorvel::Transport
