#include "middleware/transport/DiscoveryListener.h"

#include "common/Log.h"
#include "middleware/transport/FastDdsConversions.h"
#include "middleware/transport/PublicationDiscovery.h"
#include "middleware/transport/QosMapping.h"

#include <fastdds/rtps/participant/ParticipantDiscoveryInfo.h>
#include <fastdds/rtps/reader/ReaderDiscoveryInfo.h>
#include <fastdds/rtps/writer/WriterDiscoveryInfo.h>

namespace Quorvel::Transport {
namespace {

using eprosima::fastrtps::rtps::WriterDiscoveryInfo;

PublicationStatus ToStatus(WriterDiscoveryInfo::DISCOVERY_STATUS status) {
  switch (status) {
    case WriterDiscoveryInfo::DISCOVERED_WRITER: return PublicationStatus::DISCOVERED;
    case WriterDiscoveryInfo::CHANGED_QOS_WRITER: return PublicationStatus::CHANGED_QOS;
    case WriterDiscoveryInfo::REMOVED_WRITER: return PublicationStatus::REMOVED;
  }
  return PublicationStatus::DISCOVERED;
}

}  // namespace

DiscoveryListener::DiscoveryListener(std::shared_ptr<PublicationDiscovery> publications)
    : publications(std::move(publications)) {}

void DiscoveryListener::SetOwnPrefix(const eprosima::fastrtps::rtps::GuidPrefix_t& prefix) {
  std::lock_guard<std::mutex> guard(mutex);
  ownPrefix = prefix;
}

void DiscoveryListener::on_publisher_discovery(eprosima::fastdds::dds::DomainParticipant*, WriterDiscoveryInfo&& info) {
  {
    // Fast DDS reports the participant's own writers too.
    std::lock_guard<std::mutex> guard(mutex);
    if (info.info.guid().guidPrefix == ownPrefix) return;
  }
  DiscoveredPublication publication;
  publication.topicName = info.info.topicName().to_string();
  publication.typeName = info.info.typeName().to_string();
  publication.writerGuid = ToGuid(info.info.guid());
  publication.status = ToStatus(info.status);
  publication.keyed = info.info.topicKind() == eprosima::fastrtps::rtps::WITH_KEY;
  publication.qos = PoliciesOf(info.info.m_qos);
  publication.dataRepresentation = RepresentationsOf(info.info.m_qos);
  VELTRANE_LOG(DEBUG, "Discovered writer of topic " + publication.topicName + " type " + publication.typeName);
  publications->Push(std::move(publication));
}

}  // namespace Quorvel::Transport
