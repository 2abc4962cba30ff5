#include "active/ActiveEngine.h"

#include "active/ActiveEngineDB.h"
#include "active/ActivePublicationEventsHandler.h"
#include "active/ActivePublicationProcessor.h"
#include "active/ActiveTopicProcessor.h"
#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/FlatteningOptions.h"
#include "dissection/TypeProcessor.h"
#include "engine/core/EngineConfig.h"
#include "injection/InjectionInput.h"
#include "injection/MessageInjector.h"
#include "middleware/transport/AsyncWaitSet.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/PublicationDiscovery.h"
#include "middleware/transport/TopicReader.h"
#include "middleware/transport/TopicWriter.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <stdexcept>

namespace Quorvel {
namespace {

bool Monitors(EngineOperationMode mode) {
  return mode == EngineOperationMode::ACTIVE_STATIC_MONITORING ||
         mode == EngineOperationMode::ACTIVE_DYNAMIC_MONITORING;
}

}  // namespace

ActiveEngine::ActiveEngine(std::shared_ptr<EngineConfig> config) : DDSEngine(std::move(config)) {}

ActiveEngine::~ActiveEngine() {
  Terminate();
  // The publication processor shares the participant; entities go before anything their
  // callbacks might reach.
  publicationProcessor.reset();
  participant.reset();
}

ActiveEngineDB& ActiveEngine::Registry() const { return static_cast<ActiveEngineDB&>(DB()); }

std::string ActiveEngine::ParticipantReference() const {
  const auto domain = DDSConfig().GetDomainInfo();
  return domain ? domain->participantLibraryName + "::" + domain->participantName : std::string();
}

void ActiveEngine::Init() {
  DDSEngine::Init();
  CreateDDSEntities();
  db = std::make_shared<ActiveEngineDB>(
      config, topicWaitSet,
      [this](std::shared_ptr<DissectedSample> sample, DataProcessor* processor) {
        HandleDissectedSample(std::move(sample), processor);
      });
  switch (config->operationMode) {
    case EngineOperationMode::MESSAGE_INJECTION:
      LogDebug("Initializing Engine according to MESSAGE_INJECTION Operation Mode");
      ExtractDataWritersFromConfig();
      InitializeTypeDissectorsByConfig();
      break;
    case EngineOperationMode::ACTIVE_STATIC_MONITORING:
      LogDebug("Initializing Engine according to ACTIVE_STATIC_MONITORING Operation Mode");
      ExtractDataReadersFromConfig();
      CreateTopicsDissectorsByConfig();
      InitializeTopicDissectorsHandlerByConfig();
      break;
    case EngineOperationMode::ACTIVE_DYNAMIC_MONITORING:
      LogDebug("Initializing Engine according to ACTIVE_DYNAMIC_MONITORING Operation Mode");
      InitializedPublicationListener();
      break;
    default:
      throw std::runtime_error("ActiveEngine does not serve operation mode " + config->operationModeName);
  }
}

void ActiveEngine::CreateDDSEntities() {
  const EngineDDSConfig& dds = DDSConfig();
  if (!dds.ParticipantFileLoaded()) {
    throw std::runtime_error(
        "no DDS participant complient file was loaded by the engine. Cannot create participant");
  }
  try {
    // -1 stands for the domain of the participant definition.
    std::optional<std::int32_t> domain;
    if (config->domainId >= 0) domain = config->domainId;
    participant = Transport::Participant::Create(*dds.UserQosProvider(), ParticipantReference(), domain);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("Exception in Participant Creation: ") + e.what());
  }
  if (!Monitors(config->operationMode)) return;
  if (!participant->HasSubscriber("Subscriber")) {
    throw std::runtime_error("No Subscribers is defined under loaded DDS participant configuration file");
  }
  const std::uint64_t threads =
      std::min<std::uint64_t>(std::max<std::uint64_t>(config->threadPoolSize, 1),
                              std::numeric_limits<std::int32_t>::max());
  topicWaitSet = std::make_shared<Transport::AsyncWaitSet>("TopicDissectorWorker", threads);
}

void ActiveEngine::ExtractDataReadersFromConfig() {
  for (const auto& [name, info] : DDSConfig().GetDomainInfo()->readers) {
    std::shared_ptr<Transport::TopicReader> reader = participant->FindReader(info.qualifiedName);
    if (!reader) {
      LogError("No DataReader was found - Name = " + name + "to Topic - " + info.topicName);
      continue;
    }
    Registry().InsertNewReaderRecord(name, info.topicName, info.typeName, reader->Type(), reader);
  }
}

void ActiveEngine::ExtractDataWritersFromConfig() {
  for (const auto& [name, info] : DDSConfig().GetDomainInfo()->writers) {
    std::shared_ptr<Transport::TopicWriter> writer;
    try {
      writer = participant->FindWriter(info.qualifiedName);
    } catch (const std::exception& e) {
      throw std::runtime_error("No DataWriter with name = " + name +
                               " was not found. Make sure that the XML participant definition file " +
                               ParticipantReference() + " is properly defined. Error = " + e.what());
    }
    if (!writer) {
      throw std::runtime_error("No DataWriter with Name = " + name +
                               " was not found. Make sure that the XML participant definition file " +
                               ParticipantReference() + " is properly defined");
    }
    Registry().InsertNewWriterRecord(name, std::move(writer));
  }
}

void ActiveEngine::InitializeTypeDissectorsByConfig() {
  for (const auto& [name, info] : DDSConfig().GetDomainInfo()->writers) {
    if (Registry().GetTypeProcessorByTypeName(info.typeName)) continue;
    try {
      Registry().InsertTypeProcessor(std::make_shared<TypeProcessor>(
          info.typeName, DDSConfig().ExtractDynamicType(info.typeName),
          FlatteningOptions::From(*config, nullptr)));
    } catch (const std::exception& e) {
      throw std::runtime_error("Error creating  typeProcessor to type - " + info.typeName +
                               ". Error = " + e.what());
    }
  }
}

void ActiveEngine::CreateTopicsDissectorsByConfig() {
  for (const auto& [name, info] : DDSConfig().GetDomainInfo()->readers) {
    std::shared_ptr<ActiveInputRecord> record = Registry().GetReaderRecordByTopicName(info.topicName);
    if (!record) throw std::runtime_error("No record was found for " + info.topicName);
    if (record->processor) continue;
    try {
      record->processor = std::make_shared<ActiveTopicProcessor>(
          record->reader, topicWaitSet, Registry().SampleCallback(), config, db,
          participant->DomainId());
      LogDebug("Succesfully Added Topic Dissector to " + info.topicName);
    } catch (const std::exception& e) {
      throw std::runtime_error(" Error creating topic dissector to topic " + info.topicName +
                               " error = " + e.what());
    }
  }
}

void ActiveEngine::InitializeTopicDissectorsHandlerByConfig() {
  for (const std::shared_ptr<ActiveInputRecord>& record : Registry().ReaderRecords()) {
    if (!record->processor || !record->processor->InitializeDissectorDataHandlers()) {
      throw std::runtime_error("Unable to InitializeTopicDissectorsHandlerByConfig for TopicName = " +
                               record->topicName);
    }
  }
}

void ActiveEngine::InitializedPublicationListener() {
  builtinWaitSet = std::make_shared<Transport::AsyncWaitSet>("BuiltinTopicsWorker", 1);
  publicationProcessor = std::make_shared<ActivePublicationProcessor>(
      participant, "Subscriber", topicWaitSet, Registry().SampleCallback(), config,
      std::static_pointer_cast<ActiveEngineDB>(db));
  builtinWaitSet->Attach(participant->Publications()->Condition(),
                         ActivePublicationEventsHandler(publicationProcessor));
}

void ActiveEngine::Run() {
  if (!participant) throw std::runtime_error("DDSParticipant is nil");
  try {
    // Only the readers the engine takes from are enabled, below or when discovered: the file may
    // declare others, which would hold a reliable publisher back once their history is full.
    participant->EnableExceptReaders();
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("Exception in DDSParticipant->enable: ") + e.what());
  }
  if (config->operationMode == EngineOperationMode::MESSAGE_INJECTION) return;
  if (topicWaitSet) topicWaitSet->Start();
  if (builtinWaitSet) builtinWaitSet->Start();
  if (config->operationMode != EngineOperationMode::ACTIVE_STATIC_MONITORING) return;
  for (const std::shared_ptr<ActiveInputRecord>& record : Registry().ReaderRecords()) {
    record->reader->Enable();
    LogInfo("Starting to monitor Topic " + record->topicName);
  }
}

void ActiveEngine::InjectMessage(const std::string& writerName, const std::string& json, bool,
                                 bool reportUnusedFields) {
  nlohmann::ordered_json document = injection::ParseInjectionJson(json, true);
  InjectDocument(writerName, document, reportUnusedFields);
  injection::ReleaseInjectionDocument(document);
}

void ActiveEngine::InjectMessage(const std::string& writerName,
                                 const std::map<std::string, std::string>& fields, bool,
                                 bool reportUnusedFields) {
  nlohmann::ordered_json document = injection::MapToInjectionJson(fields);
  InjectDocument(writerName, document, reportUnusedFields);
  injection::ReleaseInjectionDocument(document);
}

void ActiveEngine::InjectDocument(const std::string& writerName, const nlohmann::ordered_json& input,
                                  bool reportUnusedFields) {
  const std::shared_ptr<const DomainInfo> domain = DDSConfig().GetDomainInfo();
  std::shared_ptr<Transport::TopicWriter> writer = Registry().GetWriterByWriterName(writerName);
  const WriterInfo* info = nullptr;
  if (domain) {
    const auto found = domain->writers.find(writerName);
    if (found != domain->writers.end()) info = &found->second;
  }
  if (!writer || !info) {
    throw std::runtime_error("No DataWriter with Name = " + writerName +
                             " was not found. Make sure that the XML participant definition file " +
                             (domain ? domain->sourceFile : std::string()) + " is properly define");
  }
  const std::string& typeName = info->typeName;
  std::shared_ptr<TypeProcessor> processor = Registry().GetTypeProcessorByTypeName(typeName);
  if (!processor) {
    throw std::runtime_error("No type with name = " + typeName + " was found for the matching DW - " +
                             writerName +
                             ". Make sure the required  XML types are in the engine's TypeFiles folder");
  }
  injection::InjectAndWrite(writerName, *writer, *processor, input, reportUnusedFields);
}

void ActiveEngine::Terminate() {
  try {
    // Discovery first, so that no reader is added while the topic workers stop; no handler
    // may run on a processor the registry is about to drop.
    if (builtinWaitSet) builtinWaitSet->Stop();
    if (topicWaitSet) topicWaitSet->Stop();
    if (db) Registry().Terminate();
    LogDebug("ActiveEngine terminated");
  } catch (const std::exception& e) {
    LogError(std::string("Error ActiveEngine destruction: ") + e.what());
  }
}

}  // namespace Quorvel
