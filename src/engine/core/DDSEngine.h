#pragma once

// The base of the engines the facade drives: the ActiveEngine (modes 0, 1, 4) and the
// PassiveEngine (modes 2, 3, 5). An engine creates its registry (an EngineDB) in Init.
//
// The mode-specific operations have a default that fails with a logged error naming the
// operation, so a mode whose engine does not provide one reports it instead of doing nothing.

#include <quorvel/EndpointInfo.h>
#include <quorvel/EngineStatistics.h>
#include <quorvel/TypeDescription.h>

#include <bitset>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel {

class DataProcessor;
class DissectedSample;
class EngineConfig;
class EngineDDSConfig;
class EngineDB;
class EngineListener;

class DDSEngine {
 public:
  explicit DDSEngine(std::shared_ptr<EngineConfig> config);
  virtual ~DDSEngine();
  DDSEngine(const DDSEngine&) = delete;
  DDSEngine& operator=(const DDSEngine&) = delete;

  // Engines call this first from their own Init: it loads the DDS XML files of the
  // configuration (EngineConfig::InitEngineDDSConfig) and the internal metadata types.
  virtual void Init() = 0;
  // Active engines start their wait sets; the passive engine starts live capture
  // (RunNICMonitoring). The facade calls it in modes 0, 1, 2 and 4 only.
  virtual void Run() = 0;
  virtual void Terminate() = 0;

  // Replaces the listener and the whole event set; fails, leaving neither, when a JSON or MAP
  // event is asked for while that output is off.
  void BindListener(EngineListener* listener, std::bitset<32> events);
  void UnbindListener();
  std::shared_ptr<DissectedSample> NextDissectedSample();

  // Where every finished sample of every processor ends, on the delivering worker's thread:
  // the registered listener callbacks (one at a time, under the listener lock), then the queue
  // and its availability notification. A listener's exception propagates to the worker.
  void HandleDissectedSample(std::shared_ptr<DissectedSample> sample, DataProcessor* processor);

  // What the DDS XML loading found: the readers and writers of the participant definition,
  // and the structures and unions of the type files.
  virtual std::vector<ReaderInfo> ReadersInfo() const;
  virtual std::vector<WriterInfo> WritersInfo() const;
  virtual std::vector<TypeBasicInfo> TypesBasicInfo() const;
  virtual TypeInfo IntrospectType(const std::string& typeName);
  virtual void DissectRecordingFile(const std::string& path, bool wait);
  virtual void AddWriterDiscoveryData(const std::string& writerGuid, const std::string& topicName,
                                      const std::string& typeName);
  virtual std::vector<WriterInfo> DiscoveredWritersInfo() const;
  // The registry's counters; engines with pipeline queues add their depths.
  virtual EngineStatistics Statistics() const;
  virtual void InjectMessage(const std::string& writerName, const std::string& json, bool option,
                             bool reportUnusedFields);
  virtual void InjectMessage(const std::string& writerName,
                             const std::map<std::string, std::string>& fields, bool option,
                             bool reportUnusedFields);

 protected:
  // The registry; throws when the engine has not created it yet.
  EngineDB& DB() const;
  // The loaded DDS XML configuration; throws when Init has not loaded it.
  const EngineDDSConfig& DDSConfig() const;
  [[noreturn]] void NotProvided(const std::string& operation) const;

  std::shared_ptr<EngineConfig> config;
  std::shared_ptr<EngineDB> db;
};

}  // namespace Quorvel
