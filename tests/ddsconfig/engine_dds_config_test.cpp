// Loading DDS XML paths into EngineDDSConfig: sorting files by kind, validation, the type
// files' single load, the participant file, the working directory, and every failure path.

#include "ddsconfig/EngineDDSConfig.h"
#include "support/LoadedConfig.h"
#include "support/LogCapture.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace Quorvel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProcessingError =
    " (Might be due to files' load ordering/dependencies or non-DDS compliant XML. Skipping file). error: ";

TEST(EngineDDSConfigLoading, StationFilesLoadTypesProfilesAndTheParticipant) {
  LogCapture log;
  const fs::path before = fs::current_path();
  auto config = LoadConfig(StationFiles());
  EXPECT_EQ(fs::current_path(), before);

  // Types of the included files and of the participant file's inline <types>.
  for (const char* name : {"Geo::Track", "Geo::Point", "Sensors::Sensor", "Station::Command", "Common::Time"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(config->ExtractDynamicType(name)->name(), name);
  }
  // constants.xml is reached through two includes; it is walked once.
  EXPECT_EQ(log.Count(" file " + TypesData("common/constants.xml").string() + " already loaded"), 1u);
  EXPECT_EQ(config->Metadata().constants.count("MAX_NAME_LENGTH"), 1u);

  ASSERT_TRUE(config->ParticipantFileLoaded());
  const auto domain = config->GetDomainInfo();
  ASSERT_TRUE(domain);
  EXPECT_EQ(domain->participantLibraryName, "StationParticipants");
  EXPECT_EQ(domain->participantName, "Monitor");
  EXPECT_EQ(domain->domainLibraryName, "StationDomains");
  EXPECT_EQ(domain->domainName, "Field");
  EXPECT_EQ(log.Count("Mapped DDS Domain Configuration"), 1u);

  // The loaded files, each exactly once, in load order.
  const auto& urls = config->ProviderParams().url_profile;
  ASSERT_EQ(urls.size(), 3u);
  EXPECT_EQ(urls[2], ProfilesData("participants/monitor.xml").string());
  const std::string& includes = config->TypeIncludeText();
  const std::string track = "<include file=\"" + TypesData("geo/track.xml").string() + "\"/>";
  EXPECT_EQ(includes.find(track), includes.rfind(track));
  EXPECT_NE(includes.find(track), std::string::npos);

  // User profiles join the builtin names in the known set.
  for (const char* profile : {"BaseLib::Reliable", "BaseLib::Sensors", "AppLib::Archive",
                              "BuiltinQosLib::Pattern.LastValueCache"}) {
    EXPECT_EQ(config->KnownQosProfiles().count(profile), 1u) << profile;
  }
}

TEST(EngineDDSConfigLoading, KnowsTheBuiltinProfilesBeforeReadingAnything) {
  auto config = MakeConfig({});
  EXPECT_EQ(config->KnownQosProfiles().size(), 42u);
  EXPECT_EQ(config->KnownQosProfiles().count("BuiltinQosLib::Generic.KeepLastReliable.LargeData.SlowFlow"), 1u);
  EXPECT_FALSE(config->UserQosProvider());
}

TEST(EngineDDSConfigLoading, EmptyPathListLeavesOnlyTheEmptyTypesDocument) {
  auto config = LoadConfig({});
  ASSERT_TRUE(config->UserQosProvider());
  EXPECT_EQ(config->ProviderParams().string_profile, std::vector<std::string>{"<dds><types></types></dds>"});
  EXPECT_TRUE(config->ProviderParams().url_profile.empty());
  EXPECT_EQ(config->UserQosProvider()->types().size(), 0u);
  EXPECT_FALSE(config->GetDomainInfo());
}

TEST(EngineDDSConfigLoading, DirectoryWalkLoadsXmlFilesAndSkipsTheRest) {
  LogCapture log;
  const fs::path before = fs::current_path();
  auto config = LoadConfig({ProfilesData("mixed")});
  EXPECT_EQ(fs::current_path(), before);
  EXPECT_EQ(config->ExtractDynamicType("Mixed::A")->name(), "Mixed::A");
  EXPECT_EQ(config->ExtractDynamicType("Mixed::B")->name(), "Mixed::B");  // from the subdirectory
  EXPECT_EQ(log.Count(" File " + ProfilesData("mixed/README.txt").string() +
                      " is not an XML file. Skipping file loading."),
            1u);
  EXPECT_EQ(log.Count(" file " + ProfilesData("mixed/vendor_settings.xml").string() +
                      " is not a OMG-DDS compatible file (should be document of kind <types> or <dds>). "
                      "Skipping file"),
            1u);
  // A <dds> file of QoS only is loaded, and is not the participant file.
  EXPECT_EQ(config->KnownQosProfiles().count("MixedLib::Fast"), 1u);
  EXPECT_FALSE(config->ParticipantFileLoaded());
  EXPECT_FALSE(config->GetDomainInfo());
}

TEST(EngineDDSConfigLoading, SameTypeFileDirectlyAndThroughAnIncludeLoadsOnce) {
  LogCapture log;
  const fs::path track = TypesData("geo/track.xml");
  std::vector<fs::path> paths = StationFiles();
  paths.insert(paths.begin(), track);
  paths.push_back(track);
  auto config = LoadConfig(paths);
  const std::string skipped = "File " + track.string() + " already loaded by engine . Skipping file";
  EXPECT_EQ(log.Count(skipped), 2u);  // through the include, then given again
  EXPECT_EQ(log.Count("Successfully loaded DDS xml configuration file: " + track.string()), 1u);
}

TEST(EngineDDSConfigLoading, NotWellFormedFileIsSkippedAndLoadingGoesOn) {
  LogCapture log;
  auto config = LoadConfig({ProfilesData("broken/corrupted.xml"), ProfilesData("mixed/types_a.xml")});
  EXPECT_EQ(log.Count("File " + ProfilesData("broken/corrupted.xml").string() + " is corrupted. Skipping file"), 1u);
  EXPECT_EQ(config->ExtractDynamicType("Mixed::A")->name(), "Mixed::A");
  EXPECT_EQ(config->TypeIncludeText().find("corrupted"), std::string::npos);
}

struct LoadFailure {
  const char* name;
  std::vector<std::string> files;  // under tests/data/profiles; "/..." stays absolute
  std::string thrown;              // what Init throws
  std::string logged;              // a line the failure logs ("" when `thrown` says it all)
};

fs::path PathOf(const std::string& file) { return file.front() == '/' ? fs::path(file) : ProfilesData(file); }

std::vector<LoadFailure> LoadFailures() {
  const auto p = [](const char* file) { return ProfilesData(file).string(); };
  return {
      {"MissingPath", {"no/such/dir"}, "Path " + p("no/such/dir") + " Doesn't exist.", ""},
      {"NeitherFileNorDirectory", {"/dev/null"}, "Path /dev/null is not a file or directory", ""},
      {"SchemaRejectsTypeFile",
       {"broken/schema_error_types.xml"},
       "std::exception",
       "Error processing " + p("broken/schema_error_types.xml") + kProcessingError + "Errors in xml file " +
           p("broken/schema_error_types.xml") + " : error at line 5 : "},
      {"MissingIncludeTarget",
       {"broken/missing_type_include.xml"},
       "std::exception",
       "Error processing " + p("broken/missing_type_include.xml") + kProcessingError +
           "DDS type file: ../types/nowhere.xml from file " + p("broken/missing_type_include.xml") +
           " doesn't exist"},
      {"SecondParticipantFile",
       {"qos/base_qos.xml", "qos/app_qos.xml", "participants/monitor.xml", "broken/second_participant.xml"},
       "std::exception",
       "Error processing " + p("broken/second_participant.xml") + kProcessingError +
           "Cannot load more than two <dds> domain participant configuration files - " +
           p("broken/second_participant.xml")},
      {"MiddlewareRejectsTheTypes",
       {"broken/unknown_type_in_provider.xml"},
       "Error loading Type files : <dds><types><include file=\"" + p("broken/unknown_type_in_provider.xml") +
           "\"/></types></dds> to engine. Error: ",
       ""},
  };
}

class EngineDDSConfigFailure : public ::testing::TestWithParam<LoadFailure> {};

TEST_P(EngineDDSConfigFailure, FailsWithTheExactMessageAndRestoresTheWorkingDirectory) {
  const LoadFailure& failure = GetParam();
  std::vector<fs::path> paths;
  for (const std::string& file : failure.files) paths.push_back(PathOf(file));
  LogCapture log;
  const fs::path before = fs::current_path();
  auto config = MakeConfig(paths);
  const std::string thrown = InitError(*config);
  EXPECT_EQ(fs::current_path(), before);
  // A failure whose cause follows a fixed prefix is compared up to the prefix's end.
  if (failure.thrown.back() == ' ') {
    EXPECT_EQ(thrown.substr(0, failure.thrown.size()), failure.thrown);
  } else {
    EXPECT_EQ(thrown, failure.thrown);
  }
  if (!failure.logged.empty()) {
    EXPECT_EQ(log.Count(failure.logged), 1u) << failure.logged;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, EngineDDSConfigFailure, ::testing::ValuesIn(LoadFailures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EngineDDSConfigLoading, FailureInAnIncludedFileIsLoggedForEachLevel) {
  LogCapture log;
  const std::string included = ProfilesData("broken/schema_error_types.xml").string();
  const std::string including = ProfilesData("broken/includes_schema_error.xml").string();
  auto config = MakeConfig({ProfilesData("broken/includes_schema_error.xml")});
  EXPECT_EQ(InitError(*config), "std::exception");
  EXPECT_EQ(log.Count("Error processing " + included + kProcessingError + "Errors in xml file " + included), 1u);
  EXPECT_EQ(log.Count("Error processing " + including + kProcessingError + "std::exception"), 1u);
  // Rejected by the schema: never handed to the provider.
  EXPECT_TRUE(config->ProviderParams().url_profile.empty());
  EXPECT_TRUE(config->TypeIncludeText().empty());
}

TEST(EngineDDSConfigLoading, SchemaRejectedFileNeverReachesTheProvider) {
  auto config = LoadConfig({});
  config->AddDDSConfigFile(ProfilesData("mixed/types_a.xml"));
  EXPECT_THROW(config->AddDDSConfigFile(ProfilesData("broken/schema_error_types.xml")), std::exception);
  config->LoadDDSTypeFilesToQosProvider();
  EXPECT_EQ(config->TypeIncludeText().find("schema_error_types"), std::string::npos);
  EXPECT_TRUE(config->UserQosProvider()->types().Find("Mixed::A"));
  EXPECT_FALSE(config->UserQosProvider()->types().Find("Broken"));
}

TEST(EngineDDSConfigTypes, InternalTypesComeFromTheirOwnProvider) {
  auto config = LoadConfig({});
  // Before InitInternalTypes the internal types are not there.
  EXPECT_THROW(config->ExtractDynamicType("SampleInfoStruct"), std::runtime_error);
  config->InitInternalTypes();
  for (const char* name : {"SampleInfoStruct", "CommonMetadataStruct", "PassiveMetadataStruct",
                           "ParticipantDiscoveryType", "EndpointDiscoveryType"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(config->ExtractDynamicType(name)->name(), name);
  }
  // The other internal types are not routed: they are looked up in the user's files.
  EXPECT_THROW(config->ExtractDynamicType("IPHeaderStruct"), std::runtime_error);
}

TEST(EngineDDSConfigTypes, OnlyTheRoutedNamesComeFromTheInternalProvider) {
  auto config = LoadConfig({ProfilesData("mixed")});
  config->InitInternalTypes();
  // The user's IPHeaderStruct: not one of the routed names.
  EXPECT_EQ(config->ExtractDynamicType("IPHeaderStruct")->member_count(), 2u);
  // SampleInfoStruct is routed: the engine's own, whatever the user's files define.
  EXPECT_EQ(config->ExtractDynamicType("SampleInfoStruct")->member_count(), 24u);
  EXPECT_EQ(config->UserQosProvider()->type("", "SampleInfoStruct")->member_count(), 1u);
}

TEST(EngineDDSConfigTypes, UnknownTypeNameFailsWithTheLoadersCause) {
  auto config = LoadConfig({ProfilesData("mixed/types_a.xml")});
  try {
    config->ExtractDynamicType("Mixed::C");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot find a matching TypeDefintion in DDS Type for TypeName = Mixed::C. Error = Unknown type "
              "'Mixed::C': no type library defines it");
  }
}

}  // namespace
}  // namespace Quorvel::testing
