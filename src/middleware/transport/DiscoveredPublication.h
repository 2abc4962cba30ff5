#pragma once

// One data writer of another participant, as publication discovery reports it.

#include "middleware/transport/SampleInfo.h"
#include "middleware/xml/QosPolicies.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::Transport {

enum class PublicationStatus { DISCOVERED, CHANGED_QOS, REMOVED };
// Data representation identifiers (DDS-XTypes 1.3, 7.6.3.1.1).
enum class DataRepresentation : std::int16_t { XCDR1 = 0, XML = 1, XCDR2 = 2 };

struct DiscoveredPublication {
  std::string topicName;
  std::string typeName;
  Guid writerGuid{};
  PublicationStatus status = PublicationStatus::DISCOVERED;
  bool keyed = false;
  // The policies the writer announced (entityName stays unset: the announcement lacks it).
  xml::QosPolicies qos;
  std::vector<DataRepresentation> dataRepresentation;
};

}  // namespace Quorvel::Transport
