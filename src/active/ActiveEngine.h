#pragma once

// The engine of the modes in which it is a DDS participant itself: static monitoring (every
// reader of the participant definition), dynamic monitoring and message injection (the writers
// of the definition). Init creates the participant disabled with every entity of its
// definition, registers the endpoints and attaches each reader's processor to the topic wait
// set; Run enables the participant and starts the wait set; Terminate stops the workers and
// empties the registry.
//
// Threads: the caller's thread for Init, Run and Terminate; the topic wait set's
// "TopicDissectorWorker" threads dissect and deliver.

#include "engine/core/DDSEngine.h"

#include <memory>

namespace Quorvel {

namespace Transport {
class AsyncWaitSet;
class Participant;
}
class ActiveEngineDB;

class ActiveEngine : public DDSEngine {
 public:
  explicit ActiveEngine(std::shared_ptr<EngineConfig> config);
  ~ActiveEngine() override;

  void Init() override;
  void Run() override;
  void Terminate() override;

 private:
  void CreateDDSEntities();
  void ExtractDataReadersFromConfig();
  void ExtractDataWritersFromConfig();
  void InitializeTypeDissectorsByConfig();
  void CreateTopicsDissectorsByConfig();
  void InitializeTopicDissectorsHandlerByConfig();
  ActiveEngineDB& Registry() const;
  std::string ParticipantReference() const;

  std::shared_ptr<Transport::Participant> participant;
  std::shared_ptr<Transport::AsyncWaitSet> topicWaitSet;
};

}  // namespace Quorvel
