// Mapping the participant-configuration file: the chosen participant, its domain's types and
// topics, its readers and writers, and every check on names and QoS references.

#include "ddsconfig/DomainParticipantMapper.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "ddsconfig/TopicTypeMap.h"
#include "ddsconfig/XMLParser.h"
#include "support/LoadedConfig.h"
#include "support/LogCapture.h"
#include "support/TestData.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Quorvel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kCheckFiles = "Make sure DDS configuration files are defined correctly";

std::vector<std::string> Fields(const EndpointInfo& e) {
  return {e.name, e.parentName, e.qualifiedName, e.topicName, e.typeName, e.guid};
}

TEST(ParticipantMapping, MonitorParticipantWithItsEndpointsTopicsAndTypes) {
  LogCapture log;
  auto config = LoadConfig(StationFiles());
  const auto domain = config->GetDomainInfo();
  ASSERT_TRUE(domain);
  EXPECT_EQ(domain->registeredTypes, (std::map<std::string, std::string>{
                                         {"Command", "Station::Command"},
                                         {"Sensor", "Sensors::Sensor"},
                                         {"Track", "Geo::Track"}}));
  EXPECT_EQ(domain->topics, (std::map<std::string, std::string>{{"Commands", "Station::Command"},
                                                                {"SensorReadings", "Sensors::Sensor"},
                                                                {"TrackArchive", "Geo::Track"},
                                                                {"Tracks", "Geo::Track"}}));
  ASSERT_EQ(domain->readers.size(), 3u);
  EXPECT_EQ(Fields(domain->readers.at("ArchiveReader")),
            (std::vector<std::string>{"ArchiveReader", "TrackSubscriber", "TrackSubscriber::ArchiveReader",
                                      "TrackArchive", "Geo::Track", ""}));
  EXPECT_EQ(Fields(domain->readers.at("SensorReader")),
            (std::vector<std::string>{"SensorReader", "SensorSubscriber", "SensorSubscriber::SensorReader",
                                      "SensorReadings", "Sensors::Sensor", ""}));
  ASSERT_EQ(domain->writers.size(), 2u);
  EXPECT_EQ(Fields(domain->writers.at("CommandWriter")),
            (std::vector<std::string>{"CommandWriter", "CommandPublisher", "CommandPublisher::CommandWriter",
                                      "Commands", "Station::Command", ""}));
  EXPECT_EQ(Fields(domain->writers.at("TrackEcho")),
            (std::vector<std::string>{"TrackEcho", "CommandPublisher", "CommandPublisher::TrackEcho", "Tracks",
                                      "Geo::Track", ""}));
  // Endpoints are numbered across readers and writers in document order.
  EXPECT_EQ(log.Count("Mapped reader #2 - ArchiveReader to Topic name - TrackArchive with Type definition - "
                      "Geo::Track"),
            1u);
  EXPECT_EQ(log.Count("Mapped writer #5 - TrackEcho to Topic name - Tracks with Type definition - Geo::Track"), 1u);
  // A repeated register_type warns and keeps the first.
  EXPECT_EQ(log.Count("Duplicate typeName-typeDef pair was found"), 1u);
  EXPECT_EQ(log.Count("Mapped a legacy compiled-type typeName: Command"), 1u);
  EXPECT_EQ(log.Count("Mapped dynamic-type style typeName: Track"), 2u);
}

TEST(ParticipantMapping, NamedParticipantIsTheOneMapped) {
  auto config = LoadConfig(StationFiles(), "StationParticipants::Recorder");
  const auto domain = config->GetDomainInfo();
  ASSERT_TRUE(domain);
  EXPECT_EQ(domain->participantName, "Recorder");
  ASSERT_EQ(domain->readers.size(), 1u);
  EXPECT_EQ(domain->readers.begin()->second.qualifiedName, "RecordSubscriber::RecordReader");
  EXPECT_TRUE(domain->writers.empty());
}

TEST(ParticipantMapping, FileWithoutParticipantsMapsTheFirstDomainOnly) {
  LogCapture log;
  auto config = LoadConfig({ProfilesData("broken/second_participant.xml")});
  const auto domain = config->GetDomainInfo();
  ASSERT_TRUE(domain);
  EXPECT_EQ(domain->domainLibraryName, "OtherDomains");
  EXPECT_EQ(domain->domainName, "Other");
  EXPECT_EQ(domain->topics, (std::map<std::string, std::string>{{"OtherTracks", "Geo::Track"}}));
  EXPECT_TRUE(domain->readers.empty());
  EXPECT_TRUE(domain->writers.empty());
  EXPECT_EQ(log.Count("No domain_participant_library was found in file. Skip domain_participant parsing. Parsing "
                      "only the the first domain_library::Domain"),
            1u);
}

TEST(ParticipantMapping, ParticipantLibraryWithoutParticipantsMapsTheFirstDomain) {
  LogCapture log;
  auto config = LoadConfig({ProfilesData("participants/domains_only.xml")});
  const auto domain = config->GetDomainInfo();
  ASSERT_TRUE(domain);
  EXPECT_EQ(domain->domainName, "Lab");
  EXPECT_EQ(domain->topics, (std::map<std::string, std::string>{{"Measurements", "Mixed::A"}}));
  EXPECT_TRUE(domain->participantName.empty());
  EXPECT_EQ(log.Count("No domain_participant was found in file. Skip domain_participant parsing"), 1u);
  EXPECT_TRUE(config->ParticipantFileLoaded());
}

struct MappingFailure {
  const char* name;
  std::string participantName;
  std::vector<std::string> files;  // under tests/data/profiles, loaded in order
  std::string message;             // logged by the failing file's "Error processing" line
};

std::vector<MappingFailure> MappingFailures() {
  const std::string domainError = "MapDDSDomainConfiguration Error ";
  const auto broken = [](const char* file) { return ProfilesData(std::string("broken/") + file).string(); };
  const std::vector<std::string> station = {"qos/base_qos.xml", "qos/app_qos.xml", "participants/monitor.xml"};
  const auto alone = [](const char* file) {
    return std::vector<std::string>{"qos/base_qos.xml", std::string("broken/") + file};
  };
  return {
      {"DuplicateProfile", {}, alone("duplicate_profile.xml"),
       "Duplicate qos profiles definitions were found for - BaseLib::Reliable"},
      {"BaseNameDefinedLater", {}, alone("base_name_defined_later.xml"),
       "Cannot find a base_name = 'Base' for profile - LateLib::Derived"},
      {"ParticipantQosUnknownBase", {}, alone("participant_qos_unknown_base.xml"),
       "Cannot find participant base_name qos profile - 'Nope::Profile'"},
      {"ParticipantQosUnknownBaseElement", {}, alone("participant_qos_unknown_base_element.xml"),
       "Cannot find base_name qos profile - 'Nope::Other'"},
      {"DuplicateSubscriber", {}, alone("duplicate_subscriber.xml"),
       "Duplicate subscriber definitions were found for - 'S'"},
      {"SubscriberQosUnknownBase", {}, alone("subscriber_qos_unknown_base.xml"),
       "Cannot find subscriber base_name qos profile - 'Nope::Sub'"},
      {"ReaderUnknownTopic", {}, alone("reader_unknown_topic.xml"),
       "Can't find a matching TopicName - Nowhere to DataReader - R ." + kCheckFiles},
      {"ReaderQosUnknownBase", {}, alone("reader_qos_unknown_base.xml"),
       "Cannot find base qos profile - 'Nope::R' for reader - 'R"},
      {"DuplicateReaderInTwoSubscribers", {}, alone("duplicate_reader.xml"),
       "Duplicate endpoint definitions were found for DR - R"},
      {"DuplicatePublisher", {}, alone("duplicate_publisher.xml"),
       "Duplicate publisher definitions were found for - 'P1'"},
      {"PublisherQosUnknownBase", {}, alone("publisher_qos_unknown_base.xml"),
       "Cannot find publisher base_name qos profile - 'Nope::Pub'"},
      {"WriterUnknownTopic", {}, alone("writer_unknown_topic.xml"),
       "Can't find a matching TopicName - Nowhere to DataReader - W ." + kCheckFiles},
      {"WriterQosUnknownBase", {}, alone("writer_qos_unknown_base.xml"),
       "Cannot find base qos profile - 'Nope::W' for writer - 'W"},
      {"DuplicateWriter", {}, alone("duplicate_writer.xml"), "Duplicate endpoint definitions were found for DW - W"},
      {"RegisterTypeWithoutTypeRef", {}, alone("register_type_without_type_ref.xml"),
       domainError + "Can't find a type definition for typeName Track"},
      {"RegisterTypeUnknownType", {}, alone("register_type_unknown_type.xml"),
       domainError + "Can't find a type in loaded type files: Geo::Trak"},
      {"TopicUnknownRegisterType", {}, alone("topic_unknown_register_type.xml"),
       domainError +
           "Can't find a matching TypeName to TypeRefName - Trak. Need to add to xml a tag <register_type "
           "name=Trak type_ref=Trak/>"},
      {"ParticipantWithoutDomainRef", {}, alone("participant_without_domain_ref.xml"),
       "No domain_ref attribute defined for the participant in provided dds files : " +
           broken("participant_without_domain_ref.xml")},
      {"DomainRefFormat", {}, alone("participant_domain_ref_format.xml"),
       "domain is not in the correct format. Should be domain_library::domain"},
      {"UnknownDomainLibrary", {}, alone("participant_unknown_domain_library.xml"),
       "Cannot find domainLibraryNode in provided dds files : " + broken("participant_unknown_domain_library.xml")},
      {"UnknownDomain", {}, alone("participant_unknown_domain.xml"),
       "Cannot find domainNode in provided dds files : " + broken("participant_unknown_domain.xml")},
      {"ParticipantNameWithoutSeparator", "Monitor", station,
       "domainParticipantName is not in the correct format. Should be "
       "domain_participant_library::domain_participant"},
      {"ParticipantNameWithTwoSeparators", "A::B::C", station,
       "domainParticipantName is not in the correct format. Should be "
       "domain_participant_library::domain_participant"},
      {"UnknownParticipantLibrary", "Nope::Monitor", station,
       "Cannot find participantLibraryNode in provided dds files : " +
           ProfilesData("participants/monitor.xml").string()},
      {"UnknownParticipant", "StationParticipants::Nope", station,
       "Cannot find participant in provided dds files : " + ProfilesData("participants/monitor.xml").string()},
  };
}

class ParticipantMappingFailure : public ::testing::TestWithParam<MappingFailure> {};

TEST_P(ParticipantMappingFailure, FailsTheInitialisationWithTheExactMessage) {
  const MappingFailure& failure = GetParam();
  std::vector<fs::path> paths;
  for (const std::string& file : failure.files) paths.push_back(ProfilesData(file));
  LogCapture log;
  auto config = MakeConfig(paths, failure.participantName);
  EXPECT_EQ(InitError(*config), "std::exception");
  const std::string failed = paths.back().string();
  EXPECT_EQ(log.Count("Error processing " + failed +
                      " (Might be due to files' load ordering/dependencies or non-DDS compliant XML. Skipping "
                      "file). error: " +
                      failure.message),
            1u)
      << failure.message;
  // A file is mapped whole or not at all.
  EXPECT_FALSE(config->GetDomainInfo());
  EXPECT_FALSE(config->ParticipantFileLoaded());
}

INSTANTIATE_TEST_SUITE_P(Table, ParticipantMappingFailure, ::testing::ValuesIn(MappingFailures()),
                         [](const auto& info) { return std::string(info.param.name); });

// Checks the schema makes unreachable through a file (names and references it requires),
// on the mappers directly.
struct NodeFailure {
  const char* name;
  const char* xml;  // the participant or domain element
  std::function<void(DomainInfo&, const pugi::xml_node&, EngineDDSConfig*)> map;
  std::string message;
};

std::vector<NodeFailure> NodeFailures() {
  const auto endpoints = [](DomainInfo& i, const pugi::xml_node& n, EngineDDSConfig* c) {
    XMLParser::MapDDSEndpoints(i, n, c);
  };
  const auto types = [](DomainInfo& i, const pugi::xml_node& n, EngineDDSConfig* c) {
    XMLParser::MapTypeNameToTypeDef(i, n, c);
  };
  const auto topics = [](DomainInfo& i, const pugi::xml_node& n, EngineDDSConfig* c) {
    XMLParser::MapTopicNameToTypeDef(i, n, c);
  };
  return {
      {"SubscriberWithoutName", "<p><subscriber/></p>", endpoints, "Found a null subscriber name. " + kCheckFiles},
      {"ReaderWithoutName", "<p><subscriber name='S'><data_reader topic_ref='Tracks'/></subscriber></p>", endpoints,
       "Found a DataReader with null name. " + kCheckFiles},
      {"ReaderWithoutTopic", "<p><subscriber name='S'><data_reader name='R'/></subscriber></p>", endpoints,
       "Found a DataReader R with null topic." + kCheckFiles},
      {"PublisherWithoutName", "<p><publisher/></p>", endpoints, "Found a null publisher name. " + kCheckFiles},
      {"WriterWithoutName", "<p><publisher name='P'><data_writer topic_ref='Tracks'/></publisher></p>", endpoints,
       "Found a Datawriter with null name. " + kCheckFiles},
      {"WriterWithoutTopic", "<p><publisher name='P'><data_writer name='W'/></publisher></p>", endpoints,
       "Found a Datawriter W with null topic." + kCheckFiles},
      {"RegisterTypeWithoutName", "<d><register_type type_ref='Mixed::A'/></d>", types,
       "Found a null typeName in loaded DDS participant xml"},
      {"TopicWithoutName", "<d><topic register_type_ref='A'/></d>", topics,
       "Found a null topicName in loaded DDS participant xml"},
      {"TopicWithoutTypeRef", "<d><topic name='T'/></d>", topics,
       "Found a with typeRefName with Null name. " + kCheckFiles},
  };
}

class MapperNodeFailure : public ::testing::TestWithParam<NodeFailure> {};

TEST_P(MapperNodeFailure, ThrowsTheExactMessage) {
  const NodeFailure& failure = GetParam();
  auto config = LoadConfig({ProfilesData("mixed/types_a.xml")});
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(failure.xml));
  DomainInfo info;
  info.topics = {{"Tracks", "Geo::Track"}};
  try {
    failure.map(info, document.document_element(), config.get());
    FAIL() << "no error; expected " << failure.message;
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), failure.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, MapperNodeFailure, ::testing::ValuesIn(NodeFailures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QosDefinition, BuiltinBaseAndSameLibraryBasePass) {
  auto config = MakeConfig({});
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(
      "<dds><qos_library name='L'>"
      "<qos_profile name='A' base_name='BuiltinQosLib::Generic.StrictReliable'/>"
      "<qos_profile name='B' base_name='A'/><qos_profile name='C' base_name='L::B'/>"
      "</qos_library></dds>"));
  XMLParser::ValidateQoSDefinition(document.document_element(), config.get());
  for (const char* key : {"L::A", "L::B", "L::C"}) EXPECT_EQ(config->KnownQosProfiles().count(key), 1u) << key;
}

TEST(TopicNameToTypeNameMap, WithALoadedEngineUsesWhatItLoaded) {
  auto config = LoadConfig(StationFiles());
  const auto topics = ddsconfig::ReadTopicNameToTypeNameMap(ProfilesData("participants/monitor.xml"), config.get());
  EXPECT_EQ(topics.at("Commands"), "Station::Command");
  // The engine's domain information is not replaced by the query.
  EXPECT_EQ(config->GetDomainInfo()->readers.size(), 3u);
}

}  // namespace
}  // namespace Quorvel::testing
