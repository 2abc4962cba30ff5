#include "middleware/transport/FastDdsTopicWriter.h"

#include "common/Log.h"
#include "middleware/transport/FastDdsConversions.h"
#include "middleware/transport/GenericPayloadType.h"
#include "middleware/transport/KeyHasher.h"

#include <fastdds/dds/core/status/PublicationMatchedStatus.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include <exception>
#include <mutex>

namespace Quorvel::Transport {
namespace {

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::types::ReturnCode_t;
using eprosima::fastrtps::rtps::c_InstanceHandle_Unknown;  // Fast DDS then computes it (getKey)

}  // namespace

FastDdsTopicWriter::FastDdsTopicWriter(std::string writerName, std::shared_ptr<KeyHasher> keyHasher,
                                       dds::Publisher& owner, dds::Topic& topic, const dds::DataWriterQos& qos)
    : name(std::move(writerName)),
      topicName(topic.get_name()),
      typeName(topic.get_type_name()),
      hasher(std::move(keyHasher)),
      publisher(&owner) {
  writer = publisher->create_datawriter(&topic, qos, nullptr, dds::StatusMask::none());
  if (!writer) ThrowLogged("Fast DDS refused DataWriter " + name + " on topic " + topicName);
  LogDebug("Created DataWriter " + name + " on topic " + topicName + " of type " + typeName);
}

FastDdsTopicWriter::~FastDdsTopicWriter() { Close(); }

void FastDdsTopicWriter::Close() {
  std::unique_lock<std::shared_mutex> guard(closeMutex);
  if (!writer) return;
  const ReturnCode_t result = publisher->delete_datawriter(writer);
  if (result != ReturnCode_t::RETCODE_OK) {
    LogError("Deleting DataWriter " + name + " failed: " + ReturnCodeText(result));
  }
  writer = nullptr;
}

dds::DataWriter& FastDdsTopicWriter::Open() const {
  if (!writer) ThrowLogged("DataWriter is closed: " + name);
  return *writer;
}

void FastDdsTopicWriter::Perform(Operation operation, std::span<const std::uint8_t> payload,
                                 const std::optional<cdr::KeyHash>& keyHash) {
  static constexpr const char* kOperationNames[] = {"DataWriter::write", "DataWriter::dispose",
                                                   "DataWriter::unregister_instance"};
  // Named only on failure: this runs once per sample written.
  const auto what = [&] { return std::string(kOperationNames[static_cast<int>(operation)]) + " on " + name; };
  SerializedPayload sample;
  sample.view = payload.data();
  sample.viewSize = payload.size();
  sample.keyHash = keyHash;
  // Fast DDS writes a sample whose key it failed to find under a meaningless instance, so the
  // key is found here, where a payload that does not decode can still be refused.
  if (hasher && !sample.keyHash) {
    try {
      sample.keyHash = hasher->Hash(payload.data(), payload.size());
    } catch (const std::exception& error) {
      ThrowLogged(what() + " failed: " + error.what());
    }
  }
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  dds::DataWriter& open = Open();
  ReturnCode_t result = ReturnCode_t::RETCODE_OK;
  switch (operation) {
    case Operation::WRITE:
      // Fast DDS 2.9's write(void*) reports only a boolean; the handle form gives the code.
      result = open.write(&sample, c_InstanceHandle_Unknown);
      break;
    case Operation::DISPOSE:
      result = open.dispose(&sample, c_InstanceHandle_Unknown);
      break;
    case Operation::UNREGISTER:
      result = open.unregister_instance(&sample, c_InstanceHandle_Unknown);
      break;
  }
  if (result != ReturnCode_t::RETCODE_OK) CheckReturnCode(result, what());
}

void FastDdsTopicWriter::Write(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash) {
  Perform(Operation::WRITE, payload, keyHash);
}

void FastDdsTopicWriter::Dispose(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash) {
  Perform(Operation::DISPOSE, payload, keyHash);
}

void FastDdsTopicWriter::Unregister(std::span<const std::uint8_t> payload,
                                    const std::optional<cdr::KeyHash>& keyHash) {
  Perform(Operation::UNREGISTER, payload, keyHash);
}

void FastDdsTopicWriter::Enable() {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  CheckReturnCode(Open().enable(), "DataWriter::enable of " + name);
}

bool FastDdsTopicWriter::Enabled() const {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  return writer && writer->is_enabled();
}

std::size_t FastDdsTopicWriter::MatchedReaders() const {
  std::shared_lock<std::shared_mutex> guard(closeMutex);
  dds::PublicationMatchedStatus status;
  CheckReturnCode(Open().get_publication_matched_status(status), "DataWriter::get_publication_matched_status");
  return static_cast<std::size_t>(status.current_count);
}

}  // namespace Quorvel::Transport
