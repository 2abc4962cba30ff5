#include "passive/PassiveDiscoveryProcessor.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/DDSSample.h"
#include "dissection/MetadataTexts.h"
#include "dissection/SampleMetadataDissector.h"
#include "engine/core/EngineConfig.h"
#include "passive/CapturedSampleMetadata.h"
#include "passive/PassiveDissectedSample.h"
#include "passive/PassiveEngineDB.h"

#include <stdexcept>

namespace Quorvel::passive {

namespace {

xtypes::DynamicTypePtr InternalType(const EngineConfig& config, const std::string& typeName) {
  if (!config.engineDDSConfig) {
    throw std::runtime_error("the DDS configuration is not loaded: no type " + typeName);
  }
  return config.engineDDSConfig->ExtractDynamicType(typeName);
}

}  // namespace

PassiveDiscoveryProcessor::PassiveDiscoveryProcessor(
    const std::string& typeName, std::string queueName, std::string className,
    SampleHandler handler, const std::shared_ptr<const EngineConfig>& config,
    std::shared_ptr<PassiveEngineDB> engineDB)
    : DataProcessor(typeName, InternalType(*config, typeName), std::move(handler), config,
                    engineDB),
      passiveDB(std::move(engineDB)),
      queueName(std::move(queueName)),
      className(std::move(className)),
      metadataTexts(std::make_shared<MetadataTexts>()) {}

void PassiveDiscoveryProcessor::Init(std::weak_ptr<SubMessageQueue> discoveryQueue) {
  LogDebug("Init");
  queue = std::move(discoveryQueue);
}

void PassiveDiscoveryProcessor::Operation() {
  const auto locked = queue.lock();
  if (!locked) return;
  const auto data = locked->Pop();
  if (!data) {
    LogDebug("No message in " + queueName + " (in shutdown process)");
    return;
  }
  try {
    Process(*data);
  } catch (const std::exception& error) {
    LogError("Exception in " + className + ": " + error.what());
    Drop(DropReason::DISSECTION_ERROR);
  }
}

void PassiveDiscoveryProcessor::DeliverAnnouncement(
    const RTPSDataSubMessage& data, const std::function<void(DDSSample&)>& feedData,
                                                    const std::string& topicName,
                                                    std::optional<int64_t> domainId,
                                                    const std::string& kindName) {
  auto sample = std::make_shared<DDSSample>(
      *this, Settings(),
      CapturedSampleMetadata(*data.message, data.messageHeader, data.WriterGuid(),
                             data.header.writerSN.value, topicName, domainId,
                             metadataTexts));
  feedData(*sample);
  SampleMetadataDissector::FeedOutputter(*sample, *Config());
  Deliver(std::make_shared<PassiveDissectedSample>(std::move(sample), this,
                                                   DissectedSampleDataType::DISCOVERY_DATA,
                                                   kindName));
  LogDebug("Successful message dissection");
}

void PassiveDiscoveryProcessor::Drop(DropReason reason) { passiveDB->Counters().Dropped(reason); }

std::string PassiveDiscoveryProcessor::SourceText(const RTPSDataSubMessage& data) {
  const auto& ip = data.message->ipHeader;
  return "srcIP + packetID = " + (ip ? ip->src_ip + std::to_string(ip->identification) : "");
}

}  // namespace Quorvel::passive
