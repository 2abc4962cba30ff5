#pragma once

// One monitored reader of the active engine: its names, the transport reader, the type it reads
// and, once built, the processor that dissects what it takes.

#include "middleware/xtypes/DynamicType.h"

#include <memory>
#include <string>

namespace Quorvel {

namespace Transport {
class TopicReader;
}
class ActiveTopicProcessor;

struct ActiveInputRecord {
  std::string readerName;
  std::string topicName;
  std::string typeName;
  std::shared_ptr<Transport::TopicReader> reader;
  xtypes::DynamicTypePtr type;
  std::shared_ptr<ActiveTopicProcessor> processor;
};

}  // namespace Quorvel
