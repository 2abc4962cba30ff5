#include "ddsconfig/TypeFileMetadata.h"
#include "ddsconfig/TypeFilesInfo.h"
#include "support/LogCapture.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace Quorvel::ddsconfig {
namespace {

namespace fs = std::filesystem;
using testing::DdsConfigData;

void Extract(const std::string& relative, TypeFileMetadata& metadata) {
  const fs::path file = DdsConfigData(relative);
  ExtractTypeFilesInfo({file, file.parent_path()}, metadata);
}

// The realistic file set: type files with nested includes (units.xml and constants.xml are
// reached several times), a <dds> file with inline types, and a file whose member uses a
// typedef declared below it.
class FleetMetadata : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"valid/vehicle.xml", "valid/fleet.xml", "valid/fleet_profiles.xml",
                             "valid/later_types.xml"}) {
      Extract(file, metadata);
    }
    FinishTypeFilesInfo(metadata);
  }

  const DDSXmlMetadata& Member(const std::string& name) const {
    const auto it = metadata.members.find(name);
    if (it == metadata.members.end()) throw std::runtime_error("no member " + name);
    return it->second;
  }

  TypeFileMetadata metadata;
};

TEST_F(FleetMetadata, ConstantsAreQualifiedByTheirModules) {
  EXPECT_EQ(metadata.constants.at("NAME_LENGTH"), "32");
  EXPECT_EQ(metadata.constants.at("Fleet::MAX_SPEED"), "90.5");
  EXPECT_EQ(metadata.constants.at("Fleet::MIN_SPEED"), "-5");
  EXPECT_EQ(metadata.constants.size(), 4u);
}

TEST_F(FleetMetadata, TypesAreListedInFileOrderWithTheirNesting) {
  const std::vector<std::pair<std::string, bool>> expected = {
      {"Fleet::Position", true},  {"Fleet::Vehicle", false},     {"Fleet::Waypoint", false},
      {"Fleet::Command", false},  {"Fleet::Extras", false},      {"Fleet::Ops::Mission", true},
      {"Shore::Report", false},   {"Late::Holder", false}};
  ASSERT_EQ(metadata.typesBasicInfo.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(metadata.typesBasicInfo[i].name, expected[i].first);
    EXPECT_EQ(metadata.typesBasicInfo[i].nested, expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(metadata.typesBasicInfo[0].info,
            fs::weakly_canonical(DdsConfigData("valid/vehicle.xml")).string());
}

TEST_F(FleetMetadata, DescriptionsComeFromLeadingAndTrailingComments) {
  EXPECT_EQ(metadata.structures.at("Fleet::Position"), "Where a vehicle is");
  EXPECT_EQ(metadata.structures.at("Fleet::Vehicle"), "");  // a directive stands before it
  EXPECT_EQ(metadata.structures.at("Shore::Report"), "A report sent by the shore station");
  EXPECT_EQ(Member("Fleet::Vehicle::note").description, "free text");
  EXPECT_EQ(Member("Fleet::Vehicle::id").description, "");
  EXPECT_EQ(metadata.typedefs.at("Fleet::Angle").metadata.description, "Plane angle");
  // The comment trailing Angle does not describe Heading below it.
  EXPECT_EQ(metadata.typedefs.at("Fleet::Speed").metadata.description, "Ground speed");
}

TEST_F(FleetMetadata, TypedefMetadataIsCombinedWithTheMembers) {
  const DDSXmlMetadata& speed = Member("Fleet::Vehicle::speed");
  EXPECT_EQ(speed.description, "Current ground speed over the last second ; Ground speed");
  EXPECT_EQ(speed.min, "-5");    // MIN_SPEED of the typedef, resolved in module Fleet
  EXPECT_EQ(speed.max, "90.5");
  EXPECT_EQ(speed.unit, "m/s");
  EXPECT_EQ(speed.defaultValue, "10");  // the member's own
  EXPECT_EQ(speed.typedefDepth, 1u);

  // Heading -> Angle: a typedef chain two levels deep; the member's unit wins.
  const DDSXmlMetadata& heading = Member("Fleet::Vehicle::heading");
  EXPECT_EQ(heading.min, "-180");
  EXPECT_EQ(heading.max, "180");
  EXPECT_EQ(heading.defaultValue, "0");
  EXPECT_EQ(heading.unit, "rad");
  EXPECT_EQ(heading.description, "Plane angle");
  EXPECT_EQ(heading.typedefDepth, 2u);
  EXPECT_EQ(metadata.typedefs.at("Fleet::Heading").baseType, "Fleet::Angle");
  EXPECT_EQ(metadata.typedefs.at("Fleet::Angle").baseType, "float32");

  // A member of a union and a member of a structure in a nested module use the same typedef.
  EXPECT_EQ(Member("Fleet::Command::target").max, "90.5");
  const DDSXmlMetadata& cruise = Member("Fleet::Ops::Mission::cruise");
  EXPECT_EQ(cruise.min, "0");
  EXPECT_EQ(cruise.max, "90.5");
}

TEST_F(FleetMetadata, AnnotationValuesAreResolvedToLiterals) {
  EXPECT_EQ(Member("Fleet::Vehicle::active").defaultValue, "1");  // "TRUE"
  EXPECT_EQ(Member("Fleet::Vehicle::mode").defaultValue, "5");    // enumerator DOCK
  EXPECT_EQ(Member("Fleet::Vehicle::name").defaultValue, "none");
  EXPECT_EQ(Member("Fleet::Vehicle::crew").max, "12");            // Fleet::MAX_CREW
  EXPECT_EQ(Member("Fleet::Vehicle::grade").min, "A");
  EXPECT_EQ(Member("Fleet::Vehicle::grade").defaultValue, "C");
  EXPECT_EQ(Member("Fleet::Command::code").min, "-100");
  EXPECT_EQ(Member("Shore::Report::count").max, "1000");
  // A typedef declared after the structure that uses it.
  EXPECT_EQ(Member("Late::Holder::value").min, "1");
  EXPECT_EQ(Member("Late::Holder::value").max, "7");
}

TEST_F(FleetMetadata, MembersKnowTheirFlagsAndDeclarationSite) {
  EXPECT_EQ(Member("Fleet::Vehicle::note").optional, 1u);
  EXPECT_EQ(Member("Fleet::Vehicle::next").optional, 1u);
  EXPECT_EQ(Member("Fleet::Vehicle::id").optional, 0u);
  EXPECT_EQ(Member("Fleet::Vehicle::id").line, 22u);
  EXPECT_EQ(Member("Fleet::Vehicle::id").file,
            fs::weakly_canonical(DdsConfigData("valid/vehicle.xml")).string());
  EXPECT_EQ(metadata.members.count("Fleet::Command::discriminator"), 1u);
  EXPECT_EQ(metadata.members.count("Fleet::Extras::flags"), 1u);  // a bitmask type
  EXPECT_TRUE(metadata.pending.empty());
}

TEST_F(FleetMetadata, EnumeratorsCarryValuesAndTheDefaultLiteral) {
  EXPECT_EQ(metadata.enumerators.at("Fleet::Mode::IDLE"), "0");
  EXPECT_EQ(metadata.enumerators.at("Fleet::Mode::CRUISE"), "4");
  EXPECT_EQ(metadata.enumerators.at("Fleet::Mode::DOCK"), "5");
  EXPECT_EQ(metadata.enumerations.at("Fleet::Mode").defaultLiteral, "CRUISE");
  EXPECT_EQ(metadata.enumerations.at("Fleet::Light").defaultLiteral, "OFF");
  EXPECT_EQ(metadata.enumerations.at("Fleet::Mode").enumerators,
            (std::vector<std::string>{"Fleet::Mode::IDLE", "Fleet::Mode::CRUISE", "Fleet::Mode::DOCK"}));
}

TEST(TypeFileWalk, FileReachedAgainIsLoggedOnceAndAddsNothing) {
  TypeFileMetadata metadata;
  Extract("valid/common/units.xml", metadata);  // includes constants.xml
  const auto constants = metadata.constants;
  testing::LogCapture log;
  Extract("valid/common/constants.xml", metadata);
  const std::string path = fs::weakly_canonical(DdsConfigData("valid/common/constants.xml")).string();
  EXPECT_EQ(log.Count(" file " + path + " already loaded"), 1u);
  EXPECT_EQ(log.Count("extracting metadata from dds type file  = "), 1u);
  EXPECT_EQ(metadata.constants, constants);
  EXPECT_EQ(metadata.walkedFiles.size(), 2u);
}

TEST(TypeFileWalk, Ros2ConstantsNeedTheOption) {
  TypeFileMetadata plain;
  try {
    Extract("valid/ros2_status.xml", plain);
    FAIL() << "constants of Status_Constants must not be visible without the option";
  } catch (const std::runtime_error& e) {
    // max is resolved before default
    EXPECT_STREQ(e.what(), "Cannot find constant in ddsConstantsMap: LEVEL_ERROR for member level");
  }

  TypeFileMetadata ros2;
  ros2.parseConstants = true;
  testing::LogCapture log;
  Extract("valid/ros2_status.xml", ros2);
  EXPECT_EQ(log.Count("ROS2 constants under namespace diag_msgs::msg::Status_Constants"), 1u);
  EXPECT_EQ(ros2.constants.at("diag_msgs::msg::Status::LEVEL_ERROR"), "2");
  const DDSXmlMetadata& level = ros2.members.at("diag_msgs::msg::Status::level");
  EXPECT_EQ(level.defaultValue, "0");
  EXPECT_EQ(level.max, "2");
}

}  // namespace
}  // namespace Quorvel::ddsconfig

namespace Quorvel::ddsconfig {
namespace {

// The type library that the type reader loads must also pass the metadata walker, whatever
// the order in which a directory walk hands its files over. The walker enforces annotation
// rules that the reader does not (ranges, no default on an optional member): those are the
// only failures allowed here.
TEST(TypeFileWalk, UnderstandsTheSharedTypeLibraryInDirectoryOrder) {
  const fs::path root = fs::path(VELTRANE_TEST_DATA_DIR) / "types";
  TypeFileMetadata metadata;
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".xml" ||
        entry.path().string().find("/broken/") != std::string::npos)
      continue;
    ++files;
    try {
      ExtractTypeFilesInfo({entry.path(), root}, metadata);
    } catch (const std::runtime_error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(" min / max / defaultValue attributes are not in range"),
                std::string::npos) << message;
      std::cout << "annotation rule broken in the shared library: " << message << "\n";
    }
  }
  EXPECT_NO_THROW(FinishTypeFilesInfo(metadata));
  EXPECT_GE(files, 5u);
  EXPECT_FALSE(metadata.typesBasicInfo.empty());
  EXPECT_EQ(metadata.walkedFiles.size(), files);
}

}  // namespace
}  // namespace Quorvel::ddsconfig
