#pragma once

// The state behind one Veltrane object.
//
// Locking: `lock` is taken exclusively by Init, Run, BindListener, UnbindListener and
// Shutdown (Shutdown takes it too, so a shutdown cannot tear the engine away from an Init or
// Run in flight). The query operations take no facade lock: they read the atomic flags and a
// copy of the engine pointer (`engineGuard` protects only that copy), so a listener callback
// may call them while a BindListener waits. Lock order: `lock`, then the registry's
// listener lock.

#include "engine/HouseKeeper.h"

#include <quorvel/Veltrane.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace Quorvel {

class DDSEngine;
class EngineConfig;
class XMLParser;

class VeltraneImpl {
 public:
  VeltraneImpl();
  ~VeltraneImpl();

  void Init(const EngineConfiguration& configuration);
  void Init(const std::string& configFilePath, const std::string& reserved);
  void Run();
  void Shutdown();
  EngineOperationMode OperationMode() const { return mode.load(); }

  void BindListener(EngineListener* listener, unsigned long events);
  void UnbindListener();
  std::shared_ptr<DissectedSampleInterface> GetNextDissectedSample();

  // Failures are logged and give an empty map.
  std::map<std::string, std::string> GetTopicNameToTypeNameMap(const std::string& file) const;
  std::vector<ReaderInfo> GetReadersInfo() const;
  std::vector<WriterInfo> GetWritersInfo() const;
  std::vector<TypeBasicInfo> GetTypesBasicInfo();
  TypeInfo IntrospectType(const std::string& typeName);
  void DissectRecordingFile(const std::string& path, bool wait);
  void AddWriterDiscoveryData(const std::string& writerGuid, const std::string& topicName,
                              const std::string& typeName);
  std::vector<WriterInfo> GetDiscoveredWritersInfo() const;
  EngineStatistics GetStatistics() const;
  void InjectMessage(const std::string& writerName, const std::string& json, bool option,
                     bool reportUnusedFields);
  void InjectMessage(const std::string& writerName,
                     const std::map<std::string, std::string>& fields, bool option,
                     bool reportUnusedFields);

 private:
  void InitLocked(const EngineConfiguration& configuration);
  void ShutdownLocked();
  std::shared_ptr<DDSEngine> Engine() const;
  void SetEngine(std::shared_ptr<DDSEngine> newEngine);
  // The engine, or a logged "Engine is not initialized" when Init has not succeeded.
  std::shared_ptr<DDSEngine> InitializedEngine() const;
  // The engine when injection may run now; otherwise the logged reason.
  std::shared_ptr<DDSEngine> InjectionEngine() const;
  // Takes this object's engine out of the factory's count, once.
  void ReleaseEngineCount();

  std::shared_ptr<DDSEngine> engine;
  std::shared_ptr<EngineConfig> config;
  std::shared_ptr<XMLParser> xmlParser;
  HouseKeeper houseKeeper;
  std::shared_mutex lock;
  mutable std::mutex engineGuard;
  std::atomic<bool> initialized{false};
  std::atomic<bool> running{false};
  std::atomic<bool> shutDown{false};
  bool countedByFactory = false;  // written under `lock` or in the destructor
  std::atomic<EngineOperationMode> mode{EngineOperationMode::ACTIVE_DYNAMIC_MONITORING};
};

}  // namespace Quorvel
