#pragma once

// Consumer of the endpoint-discovery queue: one run per Data(w) or Data(r). A Data(w) of a type
// the loaded type files know gets (or shares) the user-data processor of its type and maps the
// writer to it; every parsed announcement is delivered as a "DataWriterEndpointDiscovery" or
// "DataReaderEndpointDiscovery" sample. Writers added by hand take the same mapping path
// without a sub-message.

#include "passive/PassiveDiscoveryProcessor.h"

namespace boost::asio {
class thread_pool;
}

namespace Quorvel::passive {

struct PassiveEndPointDiscoveryRecord;

class PassiveEndpointDiscoveryProcessor : public PassiveDiscoveryProcessor {
 public:
  PassiveEndpointDiscoveryProcessor(std::shared_ptr<boost::asio::thread_pool> pool,
                                    SampleHandler handler,
                                    const std::shared_ptr<const EngineConfig>& config,
                                    std::shared_ptr<PassiveEngineDB> engineDB);
  ~PassiveEndpointDiscoveryProcessor() override;

  // Fills `record` and `key` from the announcement's parameter list; throws WireError when the
  // list runs past the sub-message.
  static void ParseMessage(const RTPSDataSubMessage& data, PassiveEndPointDiscoveryRecord& record,
                           WriterKey& key);
  // Makes the writer's samples dissectable: creates or reuses the processor of its type and
  // maps the writer key to the record; a writer added by hand takes this path alone. Throws
  // std::runtime_error when topic, type or GUID is missing or the type is unknown.
  void CreatePassiveUserDataProcessor(const PassiveEndPointDiscoveryRecord& record,
                                      const WriterKey& key);
  // Entity name, entity GUID, topic and type names under "SampleData".
  void FeedOutputterByRecord(DDSSample& sample, const PassiveEndPointDiscoveryRecord& record);

 private:
  void Process(const RTPSDataSubMessage& data) override;
  void MapWriter(const PassiveEndPointDiscoveryRecord& record, const WriterKey& key);

  std::shared_ptr<boost::asio::thread_pool> pool;
};

}  // namespace Quorvel::passive
