#pragma once

// The process-wide factory: holds the factory configuration (it starts the log), counts the
// live engines, and creates the engine of each operation mode through the creator registered
// for that mode. The engine layers register their creators; a mode without one cannot start.
//
// Threads: any caller thread. The factory lock serialises configuration and reset; the
// creator table has its own mutex; IsConfigured reads an atomic flag.

#include <quorvel/EngineOperationMode.h>
#include <quorvel/FactoryConfiguration.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

namespace Quorvel {

class DDSEngine;
class EngineConfig;

class EngineFactory {
 public:
  using EngineCreator = std::function<std::shared_ptr<DDSEngine>(std::shared_ptr<EngineConfig>)>;

  static EngineFactory& Instance();

  bool IsConfigured() const;
  void SetConfiguration(const FactoryConfiguration& configuration);
  void SetConfiguration(const std::string& xmlPath);
  // Stops the log; refuses while engines are alive.
  void Reset();
  FactoryConfiguration Configuration() const;

  // "4.6.1.5".
  static const std::string& VersionString();

  // Replaces the mode's creator; an empty creator restores the engine this build provides for
  // the mode (none for a mode without one).
  void RegisterEngineCreator(EngineOperationMode mode, EngineCreator creator);
  // Null when no creator is registered for the mode.
  std::shared_ptr<DDSEngine> CreateEngine(EngineOperationMode mode,
                                          std::shared_ptr<EngineConfig> config) const;

  void EngineStarted();
  void EngineStopped();
  std::uint64_t ActiveEngines() const;

 private:
  // Installs the engines this build provides.
  EngineFactory();

  mutable std::shared_mutex lock;
  FactoryConfiguration configuration;
  std::atomic<bool> configured{false};
  std::atomic<std::uint64_t> activeEngines{0};
  mutable std::mutex creatorsMutex;
  std::map<EngineOperationMode, EngineCreator> creators;
  std::map<EngineOperationMode, EngineCreator> builtinCreators;
};

}  // namespace Quorvel
