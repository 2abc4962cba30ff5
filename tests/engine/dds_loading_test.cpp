// Init loads the configured DDS XML paths in every mode, before the engine of the mode runs,
// and the facade answers from what was loaded: readers, writers, types, topic map.

#include "engine/core/DDSEngine.h"
#include "engine/core/EngineDB.h"
#include "engine/EngineFactory.h"
#include "engine/support/LogDirectory.h"
#include "engine/support/Thrown.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace Quorvel::Testing {
namespace {

namespace fs = std::filesystem;

std::string Profiles(const std::string& relative) {
  return (fs::path(VELTRANE_TEST_DATA_DIR) / "profiles" / relative).lexically_normal().string();
}

std::vector<std::string> StationFiles() {
  return {Profiles("qos/base_qos.xml"), Profiles("qos/app_qos.xml"), Profiles("participants/monitor.xml")};
}

// An engine that does what every engine's Init starts with, the DDS XML loading, and no more.
class LoadingEngine : public DDSEngine {
 public:
  using DDSEngine::DDSEngine;
  void Init() override {
    DDSEngine::Init();
    db = std::make_shared<EngineDB>(config, nullptr);
  }
  void Run() override {}
  void Terminate() override {}
};

class ScopedLoadingEngine {
 public:
  explicit ScopedLoadingEngine(EngineOperationMode mode) : mode(mode) {
    EngineFactory::Instance().RegisterEngineCreator(
        mode, [](std::shared_ptr<EngineConfig> config) { return std::make_shared<LoadingEngine>(std::move(config)); });
  }
  ~ScopedLoadingEngine() { EngineFactory::Instance().RegisterEngineCreator(mode, nullptr); }

 private:
  EngineOperationMode mode;
};

EngineConfiguration Configuration(EngineOperationMode mode, std::vector<std::string> paths) {
  EngineConfiguration configuration;
  configuration.operationMode = mode;
  configuration.jsonOutput = true;
  configuration.monitoredInterfaceName = "lo";
  configuration.ddsConfigurationFilesPath = std::move(paths);
  return configuration;
}

std::vector<std::string> QualifiedNames(const std::vector<ReaderInfo>& endpoints) {
  std::vector<std::string> names;
  for (const auto& endpoint : endpoints) names.push_back(endpoint.qualifiedName);
  return names;
}

std::vector<std::string> QualifiedNames(const std::vector<WriterInfo>& endpoints) {
  std::vector<std::string> names;
  for (const auto& endpoint : endpoints) names.push_back(endpoint.qualifiedName);
  return names;
}

TEST(DDSLoading, FacadeAnswersFromTheLoadedParticipantAndTypes) {
  LogDirectory log;
  ScopedLoadingEngine engine(EngineOperationMode::ACTIVE_STATIC_MONITORING);
  Veltrane veltrane;
  veltrane.Init(Configuration(EngineOperationMode::ACTIVE_STATIC_MONITORING, StationFiles()));

  EXPECT_EQ(QualifiedNames(veltrane.GetReadersInfo()),
            (std::vector<std::string>{"TrackSubscriber::ArchiveReader", "SensorSubscriber::SensorReader",
                                      "TrackSubscriber::TrackReader"}));
  const std::vector<WriterInfo> writers = veltrane.GetWritersInfo();
  EXPECT_EQ(QualifiedNames(writers),
            (std::vector<std::string>{"CommandPublisher::CommandWriter", "CommandPublisher::TrackEcho"}));
  EXPECT_EQ(writers[0].topicName, "Commands");
  EXPECT_EQ(writers[0].typeName, "Station::Command");
  EXPECT_TRUE(log.Contains("debug", "GetReadersInfo"));

  const std::vector<TypeBasicInfo> types = veltrane.GetTypesBasicInfo();
  const auto find = [&](const std::string& name) {
    return std::find_if(types.begin(), types.end(), [&](const TypeBasicInfo& t) { return t.name == name; });
  };
  ASSERT_NE(find("Geo::Track"), types.end());
  EXPECT_FALSE(find("Geo::Track")->nested);
  ASSERT_NE(find("Common::Time"), types.end());
  EXPECT_TRUE(find("Common::Time")->nested);  // nested="true"
  ASSERT_NE(find("Station::Command"), types.end());  // the participant file's inline types
  EXPECT_EQ(std::count_if(types.begin(), types.end(), [](const TypeBasicInfo& t) { return t.name == "Geo::Point"; }),
            1);

  // The topic map of the loaded participant file, checked against what the engine loaded.
  const auto topics = veltrane.GetTopicNameToTypeNameMap(Profiles("participants/monitor.xml"));
  EXPECT_EQ(topics, (std::map<std::string, std::string>{{"Commands", "Station::Command"},
                                                         {"SensorReadings", "Sensors::Sensor"},
                                                         {"TrackArchive", "Geo::Track"},
                                                         {"Tracks", "Geo::Track"}}));
  veltrane.Shutdown();
}

// Every engine loads the DDS XML files before anything else; a mode whose engine creator was
// removed still loads them, then says that its engine is missing.
TEST(DDSLoading, EveryModeLoadsBeforeItsEngineStarts) {
  LogDirectory log;
  struct Case {
    EngineOperationMode mode;
    const char* engineClass;
    const char* modeName;
  };
  const Case cases[] = {
      {EngineOperationMode::ACTIVE_STATIC_MONITORING, "ActiveEngine", "ACTIVE_STATIC_MONITORING"},
      {EngineOperationMode::ACTIVE_DYNAMIC_MONITORING, "ActiveEngine", "ACTIVE_DYNAMIC_MONITORING"},
      {EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, "PassiveEngine", "PASSIVE_DYNAMIC_MONITORING"},
      {EngineOperationMode::RECORD_DISSECTION, "PassiveEngine", "RECORD_DISSECTION"},
      {EngineOperationMode::MESSAGE_INJECTION, "ActiveEngine", "MESSAGE_INJECTION"},
      {EngineOperationMode::TYPE_INTROSPECTION, "PassiveEngine", "TYPE_INTROSPECTION"},
  };
  const std::string missing = Profiles("no/such/dir");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modeName);
    EngineFactory::Instance().RegisterEngineCreator(c.mode, nullptr);
    // A bad path is reported as a loading error: the loading ran first.
    Veltrane broken;
    EXPECT_EQ(Thrown<std::runtime_error>([&] { broken.Init(Configuration(c.mode, {missing})); }),
              std::string(c.engineClass) + "::Init Fatal Error:  error loading dds xml files. err : Path " +
                  missing + " Doesn't exist.");
  }
  // A creator that yields nothing stands for a mode whose engine this build lacks.
  EngineFactory::Instance().RegisterEngineCreator(
      EngineOperationMode::PASSIVE_DYNAMIC_MONITORING,
      [](std::shared_ptr<EngineConfig>) { return std::shared_ptr<DDSEngine>(); });
  Veltrane loaded;
  const std::string error = Thrown<std::runtime_error>([&] {
    loaded.Init(Configuration(EngineOperationMode::PASSIVE_DYNAMIC_MONITORING, StationFiles()));
  });
  EngineFactory::Instance().RegisterEngineCreator(EngineOperationMode::PASSIVE_DYNAMIC_MONITORING,
                                                  nullptr);
  EXPECT_EQ(error,
            "PassiveEngine::Init Fatal Error: no engine for the PASSIVE_DYNAMIC_MONITORING operation "
            "mode is available in this build");
  EXPECT_TRUE(log.Contains("info", "Successfully loaded DDS xml configuration file: " +
                                       Profiles("participants/monitor.xml")));
}

TEST(DDSLoading, TopicMapWithoutAnEngineAndItsReports) {
  LogDirectory log;
  Veltrane veltrane;
  const auto topics = veltrane.GetTopicNameToTypeNameMap(Profiles("participants/monitor.xml"));
  EXPECT_EQ(topics.size(), 4u);
  EXPECT_EQ(topics.at("Tracks"), "Geo::Track");

  const std::string missing = Profiles("participants/nope.xml");
  EXPECT_TRUE(veltrane.GetTopicNameToTypeNameMap(missing).empty());
  EXPECT_TRUE(log.Contains("error", "GetTopicNameToTypeNameMap directory / file " + missing + " doesn't exist"));

  const std::string directory = Profiles("participants");
  EXPECT_TRUE(veltrane.GetTopicNameToTypeNameMap(directory).empty());
  EXPECT_TRUE(log.Contains("error", directory + " isn't  a file"));

  const std::string broken = Profiles("broken/topic_unknown_register_type.xml");
  EXPECT_TRUE(veltrane.GetTopicNameToTypeNameMap(broken).empty());
  EXPECT_TRUE(log.Contains("error", " dissection error with " + broken +
                                        " . Error: MapDDSDomainConfiguration Error Can't find a matching TypeName "
                                        "to TypeRefName - Trak. Need to add to xml a tag <register_type name=Trak "
                                        "type_ref=Trak/>"));
}

}  // namespace
}  // namespace Quorvel::Testing
