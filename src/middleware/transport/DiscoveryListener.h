#pragma once

// The participant's listener: writers of other participants into PublicationDiscovery. Fast DDS
// calls it on its discovery thread. It is installed with every status but data-on-readers, so
// that the readers' own data-available callbacks still run. Private to the transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include <fastdds/dds/domain/DomainParticipantListener.hpp>
#include <fastdds/rtps/common/GuidPrefix_t.hpp>

#include <atomic>
#include <memory>
#include <mutex>

namespace Quorvel::Transport {

class PublicationDiscovery;

class DiscoveryListener final : public eprosima::fastdds::dds::DomainParticipantListener {
public:
  explicit DiscoveryListener(std::shared_ptr<PublicationDiscovery> publications);

  // The participant's own prefix, known once it exists (before anything is discovered).
  void SetOwnPrefix(const eprosima::fastrtps::rtps::GuidPrefix_t& prefix);

  void on_publisher_discovery(eprosima::fastdds::dds::DomainParticipant* participant,
                              eprosima::fastrtps::rtps::WriterDiscoveryInfo&& info) override;

private:
  std::shared_ptr<PublicationDiscovery> publications;
  std::mutex mutex;
  eprosima::fastrtps::rtps::GuidPrefix_t ownPrefix;
};

}  // namespace Quorvel::Transport
