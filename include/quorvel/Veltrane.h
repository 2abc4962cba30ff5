#pragma once

// The public face of the Veltrane DDS dissection engine: this header reaches every public
// record, enumeration and class.

#include <quorvel/DissectedSampleInterface.h>
#include <quorvel/EndpointInfo.h>
#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineListener.h>
#include <quorvel/EngineOperationMode.h>
#include <quorvel/EngineStatistics.h>
#include <quorvel/Export.h>
#include <quorvel/ExternalLogger.h>
#include <quorvel/FactoryConfiguration.h>
#include <quorvel/LogSeverityLevel.h>
#include <quorvel/OutputFormats.h>
#include <quorvel/TypeDescription.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel {

class VeltraneImpl;

// One engine: construct, Init in one operation mode, Run, consume samples, Shutdown.
// Every failure is a std::runtime_error whose text was logged first.
class VELTRANE_API Veltrane {
 public:
  Veltrane();
  Veltrane(Veltrane&& other) noexcept;
  Veltrane& operator=(Veltrane&&) = delete;
  Veltrane(const Veltrane&) = delete;
  Veltrane& operator=(const Veltrane&) = delete;
  ~Veltrane();

  // The product version, "4.6.1.5".
  static std::string Version();

  // The process-wide factory: configured once (this starts the log), reset by FinalizeFactory.
  static void SetFactoryConfiguration(const FactoryConfiguration& configuration);
  static void SetFactoryConfiguration(const std::string& xmlPath);
  static void FinalizeFactory();

  // Capture device names, sorted, each once.
  static std::vector<std::string> GetAvailableNetworkAdaptersList();

  void Init(const EngineConfiguration& configuration);
  // Reads the engine section of a configuration file (or of the file inside a directory).
  void Init(const std::string& configFilePath, const std::string& reserved = {});
  void Run() const;
  void Shutdown();
  EngineOperationMode OperationMode() const;

  // Delivery: events is a bitwise OR of EngineListenerEventsOptions.
  void BindListener(EngineListener* listener, unsigned long events);
  void UnbindListener();
  void SetQueuedMessageKind(unsigned long events);
  std::shared_ptr<DissectedSampleInterface> GetNextDissectedSample();

  std::vector<ReaderInfo> GetReadersInfo() const;
  std::vector<WriterInfo> GetWritersInfo() const;
  std::map<std::string, std::string> GetTopicNameToTypeNameMap(const std::string& path);

  // TYPE_INTROSPECTION.
  std::vector<TypeBasicInfo> GetTypesBasicInfo();
  TypeInfo IntrospectType(const std::string& typeName);

  // Passive modes.
  // With `wait`, returns once every sample of the recording has been delivered.
  void DissectRecordingFile(const std::string& path, bool wait);
  void AddWriterDiscoveryData(const std::string& writerGuid, const std::string& topicName,
                              const std::string& typeName);
  std::vector<WriterInfo> GetDiscoveredWritersInfo() const;

  // What the engine has read, delivered and dropped since Init; any mode, once initialized.
  EngineStatistics GetStatistics() const;

  // MESSAGE_INJECTION.
  // `writerName` is a data writer of the participant definition; with `reportUnusedFields`
  // input members that match no member of the type are an error.
  void InjectMessage(const std::string& writerName, const std::string& json, bool option,
                     bool reportUnusedFields);
  void InjectMessage(const std::string& writerName,
                     const std::map<std::string, std::string>& fields, bool option,
                     bool reportUnusedFields);

 private:
  VeltraneImpl& State() const;

  std::unique_ptr<VeltraneImpl> impl;
};

}  // namespace Quorvel
