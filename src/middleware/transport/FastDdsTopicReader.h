#pragma once

// TopicReader on a Fast DDS data reader of the generic payload type. The participant creates
// it, and closes it (deleting the Fast DDS reader) before the participant goes; a take running
// on a wait-set thread holds the close lock shared, so closing waits for it. Private to the
// transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/transport/InstanceKeyCache.h"
#include "middleware/transport/TopicReader.h"

#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include <memory>
#include <shared_mutex>

namespace Quorvel::Transport {

class FastDdsTopicReader final : public TopicReader, private eprosima::fastdds::dds::DataReaderListener {
public:
  // Creates the Fast DDS reader on `subscriber` (disabled when the subscriber does not enable
  // what it creates). Throws when Fast DDS refuses it.
  FastDdsTopicReader(std::string name, xtypes::DynamicTypePtr type, eprosima::fastdds::dds::Subscriber& subscriber,
                     eprosima::fastdds::dds::Topic& topic, const eprosima::fastdds::dds::DataReaderQos& qos);
  ~FastDdsTopicReader() override;

  const std::string& Name() const override { return name; }
  const std::string& TopicName() const override { return topicName; }
  const std::string& TypeName() const override { return typeName; }
  const xtypes::DynamicTypePtr& Type() const override { return type; }
  const std::shared_ptr<WaitCondition>& Condition() const override { return condition; }
  std::size_t TakeAll(std::vector<ReceivedSample>& samples) override;
  std::optional<xtypes::DynamicData> KeyValues(const InstanceHandle& instance) const override;
  void Enable() override;
  bool Enabled() const override;
  std::size_t MatchedWriters() const override;

  // Deletes the Fast DDS reader; later calls throw. Idempotent.
  void Close();

private:
  void on_data_available(eprosima::fastdds::dds::DataReader* reader) override;
  eprosima::fastdds::dds::DataReader& Open() const;

  std::string name;
  std::string topicName;
  std::string typeName;
  xtypes::DynamicTypePtr type;
  std::shared_ptr<WaitCondition> condition;
  InstanceKeyCache keys;
  mutable std::shared_mutex closeMutex;
  eprosima::fastdds::dds::Subscriber* subscriber;
  eprosima::fastdds::dds::DataReader* reader = nullptr;
};

}  // namespace Quorvel::Transport
