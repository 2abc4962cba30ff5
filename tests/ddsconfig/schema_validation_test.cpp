#include "ddsconfig/DDSXmlValidator.h"
#include "support/LogCapture.h"
#include "support/TestData.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel::ddsconfig {
namespace {

namespace fs = std::filesystem;
using testing::DdsConfigData;

// The schema a DDS XML file is checked against; none for other XML (configuration files).
std::optional<DDSFileType> KindOfDocument(const fs::path& file) {
  pugi::xml_document doc;
  doc.load_file(file.c_str());
  const std::string root = doc.document_element().name();
  if (root == "dds") return DDSFileType::PROFILE_FILE;
  if (root == "types") return DDSFileType::TYPE_FILE;
  return std::nullopt;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

// Every DDS XML file that the project keeps as valid input must pass its schema (files meant
// to be wrong live in folders named "broken").
TEST(SchemaValidation, AcceptsEveryValidFileOfTheTestData) {
  std::size_t checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(VELTRANE_TEST_DATA_DIR)) {
    const fs::path& path = entry.path();
    if (!entry.is_regular_file() || path.extension() != ".xml") continue;
    const std::string text = path.string();
    const auto kind = KindOfDocument(path);
    if (text.find("/broken/") != std::string::npos || !kind) continue;
    const XmlValidationResult result = ValidateDDSXml(path, *kind);
    EXPECT_TRUE(result.valid) << path << "\n" << Joined(result.errors);
    ++checked;
  }
  EXPECT_GE(checked, 10u);
}

struct Rejection {
  const char* file;
  DDSFileType kind;
  const char* expectedLine;  // "error at line N : " followed by this text
};

class SchemaRejection : public ::testing::TestWithParam<Rejection> {};

TEST_P(SchemaRejection, NamesTheLineAndTheProblem) {
  const Rejection& rejection = GetParam();
  const XmlValidationResult result =
      ValidateDDSXml(DdsConfigData(std::string("broken/") + rejection.file), rejection.kind);
  EXPECT_FALSE(result.valid);
  ASSERT_FALSE(result.errors.empty());
  EXPECT_EQ(result.errors.front(), rejection.expectedLine) << Joined(result.errors);
}

INSTANTIATE_TEST_SUITE_P(
    StructuralErrors, SchemaRejection,
    ::testing::Values(
        Rejection{"unknown_element_in_struct.xml", DDSFileType::TYPE_FILE,
                  "error at line 5 : Element 'field': This element is not expected."},
        Rejection{"member_without_name.xml", DDSFileType::TYPE_FILE,
                  "error at line 4 : Element 'member': The attribute 'name' is required but "
                  "missing."},
        Rejection{"case_without_discriminator.xml", DDSFileType::TYPE_FILE,
                  "error at line 6 : Element 'member': This element is not expected. Expected "
                  "is ( caseDiscriminator )."},
        Rejection{"struct_without_name.xml", DDSFileType::TYPE_FILE,
                  "error at line 3 : Element 'struct': The attribute 'name' is required but "
                  "missing."},
        Rejection{"profile_qos_profile_without_name.xml", DDSFileType::PROFILE_FILE,
                  "error at line 4 : Element 'qos_profile': The attribute 'name' is required "
                  "but missing."},
        Rejection{"profile_reader_without_topic.xml", DDSFileType::PROFILE_FILE,
                  "error at line 6 : Element 'data_reader': The attribute 'topic_ref' is "
                  "required but missing."},
        Rejection{"profile_bad_inline_types.xml", DDSFileType::PROFILE_FILE,
                  "error at line 6 : Element 'field': This element is not expected."}),
    [](const ::testing::TestParamInfo<Rejection>& info) {
      return fs::path(info.param.file).stem().string();
    });

TEST(SchemaValidation, DocumentOfTheOtherKindIsRejectedAtItsRoot) {
  const auto asTypes = ValidateDDSXml(DdsConfigData("valid/fleet_profiles.xml"), DDSFileType::TYPE_FILE);
  EXPECT_FALSE(asTypes.valid);
  ASSERT_FALSE(asTypes.errors.empty());
  EXPECT_EQ(asTypes.errors.front(), "error at line 2 : root element must be <types>");

  const auto asProfile = ValidateDDSXml(DdsConfigData("valid/vehicle.xml"), DDSFileType::PROFILE_FILE);
  EXPECT_FALSE(asProfile.valid);
  ASSERT_FALSE(asProfile.errors.empty());
  EXPECT_EQ(asProfile.errors.front(), "error at line 2 : root element must be <dds>");
}

TEST(SchemaValidation, NotWellFormedFileFailsBeforeTheSchema) {
  testing::LogCapture log;
  const fs::path file = DdsConfigData("broken/not_well_formed.xml");
  const auto result = ValidateDDSXml(file, DDSFileType::TYPE_FILE);
  EXPECT_FALSE(result.valid);
  ASSERT_FALSE(result.errors.empty());
  EXPECT_EQ(result.errors.back(), "error at line 7 : Premature end of data in tag types line 2")
      << Joined(result.errors);
  EXPECT_EQ(log.Count("Error: Failed to parse XML document:" + file.string()), 1u);
  EXPECT_EQ(log.Count("XML document is invalid according to the XSD schema"), 0u);
}

TEST(SchemaValidation, LogsTheOutcome) {
  testing::LogCapture log;
  const fs::path valid = DdsConfigData("valid/fleet_profiles.xml");
  EXPECT_TRUE(ValidateDDSXml(valid, DDSFileType::PROFILE_FILE).valid);
  EXPECT_EQ(log.Count("validating scheme of " + valid.string()), 1u);
  EXPECT_EQ(log.Count("XML document is valid according to the XSD schema: " + valid.string()), 1u);

  const fs::path invalid = DdsConfigData("broken/member_without_name.xml");
  EXPECT_FALSE(ValidateDDSXml(invalid, DDSFileType::TYPE_FILE).valid);
  const auto messages = log.Messages();
  const std::string expected = "XML document is invalid according to the XSD schema: " +
                               invalid.string() + "\nerror at line 4 : Element 'member'";
  EXPECT_EQ(log.Count(expected), 1u) << Joined(messages);
}

TEST(SchemaValidation, MissingFileIsNotValid) {
  const auto result = ValidateDDSXml(DdsConfigData("no/such/file.xml"), DDSFileType::TYPE_FILE);
  EXPECT_FALSE(result.valid);
}

// Each validation has its own context over the shared schemas: errors must not leak between
// validations running at the same time.
TEST(SchemaValidation, ConcurrentValidationsKeepTheirOwnErrors) {
  const fs::path good = DdsConfigData("valid/vehicle.xml");
  const fs::path bad = DdsConfigData("broken/unknown_element_in_struct.xml");
  std::vector<std::future<XmlValidationResult>> results;
  for (int i = 0; i < 16; ++i) {
    results.push_back(std::async(std::launch::async, [&, i] {
      return ValidateDDSXml(i % 2 == 0 ? good : bad, DDSFileType::TYPE_FILE);
    }));
  }
  for (int i = 0; i < 16; ++i) {
    const auto result = results[i].get();
    if (i % 2 == 0) {
      EXPECT_TRUE(result.valid);
      EXPECT_TRUE(result.errors.empty());
    } else {
      EXPECT_FALSE(result.valid);
      ASSERT_EQ(result.errors.size(), 1u) << Joined(result.errors);
      EXPECT_EQ(result.errors.front().rfind("error at line 5 : ", 0), 0u);
    }
  }
}

}  // namespace
}  // namespace Quorvel::ddsconfig
