#pragma once

// TopicWriter on a Fast DDS data writer of the generic payload type. The participant creates
// it and closes it before the participant goes. Private to the transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/transport/TopicWriter.h"

#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include <memory>
#include <shared_mutex>

namespace Quorvel::Transport {

class KeyHasher;
struct SerializedPayload;

class FastDdsTopicWriter final : public TopicWriter {
public:
  // `hasher` (null for unkeyed types) finds the key hash of payloads written without one.
  FastDdsTopicWriter(std::string name, std::shared_ptr<KeyHasher> hasher, eprosima::fastdds::dds::Publisher& publisher,
                     eprosima::fastdds::dds::Topic& topic, const eprosima::fastdds::dds::DataWriterQos& qos);
  ~FastDdsTopicWriter() override;

  const std::string& Name() const override { return name; }
  const std::string& TopicName() const override { return topicName; }
  const std::string& TypeName() const override { return typeName; }
  void Write(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash) override;
  void Dispose(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash) override;
  void Unregister(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash) override;
  bool Enabled() const override;
  std::size_t MatchedReaders() const override;

  void Enable();
  // Deletes the Fast DDS writer; later calls throw. Idempotent.
  void Close();

private:
  enum class Operation { WRITE, DISPOSE, UNREGISTER };
  void Perform(Operation operation, std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash);
  eprosima::fastdds::dds::DataWriter& Open() const;

  std::string name;
  std::string topicName;
  std::string typeName;
  std::shared_ptr<KeyHasher> hasher;
  mutable std::shared_mutex closeMutex;
  eprosima::fastdds::dds::Publisher* publisher;
  eprosima::fastdds::dds::DataWriter* writer = nullptr;
};

}  // namespace Quorvel::Transport
