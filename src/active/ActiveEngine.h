#pragma once

// The engine of the modes in which it is a DDS participant itself: static monitoring (every
// reader of the participant definition), dynamic monitoring and message injection (the writers
// of the definition). Init creates the participant disabled with every entity of its
// definition, registers the endpoints and attaches each reader's processor to the topic wait
// set; Run enables the participant and starts the wait set; Terminate stops the workers and
// empties the registry.
//
// Threads: the caller's thread for Init, Run and Terminate; the topic wait set's
// "TopicDissectorWorker" threads dissect and deliver; in dynamic monitoring the one
// "BuiltinTopicsWorker" thread handles publication discovery and adds readers while they run.

#include "engine/core/DDSEngine.h"

#include <nlohmann/json_fwd.hpp>

#include <map>
#include <memory>
#include <string>

namespace Quorvel {

namespace Transport {
class AsyncWaitSet;
class Participant;
}
class ActiveEngineDB;
class ActivePublicationProcessor;

class ActiveEngine : public DDSEngine {
 public:
  explicit ActiveEngine(std::shared_ptr<EngineConfig> config);
  ~ActiveEngine() override;

  void Init() override;
  void Run() override;
  void Terminate() override;

  // Publishes one sample through the participant definition's writer `writerName`; the first
  // boolean has no effect. Throws std::runtime_error with the reason (Veltrane adds its prefix).
  void InjectMessage(const std::string& writerName, const std::string& json, bool option,
                     bool reportUnusedFields) override;
  void InjectMessage(const std::string& writerName,
                     const std::map<std::string, std::string>& fields, bool option,
                     bool reportUnusedFields) override;

 private:
  void CreateDDSEntities();
  void ExtractDataReadersFromConfig();
  void ExtractDataWritersFromConfig();
  void InitializeTypeDissectorsByConfig();
  void CreateTopicsDissectorsByConfig();
  void InitializeTopicDissectorsHandlerByConfig();
  void InitializedPublicationListener();
  void InjectDocument(const std::string& writerName, const nlohmann::ordered_json& input,
                      bool reportUnusedFields);
  ActiveEngineDB& Registry() const;
  std::string ParticipantReference() const;

  std::shared_ptr<Transport::Participant> participant;
  std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet;
  std::shared_ptr<Transport::AsyncWaitSet> builtinWaitSet;
  std::shared_ptr<ActivePublicationProcessor> publicationProcessor;
};

}  // namespace Quorvel
