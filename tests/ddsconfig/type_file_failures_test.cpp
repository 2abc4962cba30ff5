#include "ddsconfig/TypeFileMetadata.h"
#include "ddsconfig/TypeFilesInfo.h"
#include "support/LogCapture.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace Quorvel::ddsconfig {
namespace {

namespace fs = std::filesystem;
using testing::DdsConfigData;

std::string Canonical(const std::string& relative) {
  return fs::weakly_canonical(DdsConfigData(relative)).string();
}

void Extract(const std::string& relative, TypeFileMetadata& metadata) {
  const fs::path file = DdsConfigData(relative);
  ExtractTypeFilesInfo({file, file.parent_path()}, metadata);
}

struct Failure {
  std::vector<const char*> files;  // extracted in order into one metadata
  bool finish;                     // the error shows only once every file is loaded
  std::string expected;
};

class TypeFileFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(TypeFileFailure, ThrowsTheExactMessage) {
  const Failure& failure = GetParam();
  TypeFileMetadata metadata;
  testing::LogCapture log;
  try {
    for (const char* file : failure.files) Extract(std::string("broken/") + file, metadata);
    if (failure.finish) FinishTypeFilesInfo(metadata);
    FAIL() << "no error; expected: " << failure.expected;
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), failure.expected);
  }
  // Every failure is logged with the text it is thrown with.
  EXPECT_GE(log.Count(failure.expected), 1u);
}

const std::string kRange =
    " min / max / defaultValue attributes are not in range.Should be minValue <= defaultValue "
    "<= maxValue. Also, default notation is not applicable for optional members";
const std::string kRangeThroughType =
    " min / max / defaultValue attributes are not in range. Should be minValue <= defaultValue "
    "<= maxValue. Also, default notation is not applicable of optional members";

std::vector<Failure> Failures() {
  const auto file = [](const char* name) { return Canonical(std::string("broken/") + name); };
  return {
      {{"key_optional.xml"}, false,
       "member id (file: " + file("key_optional.xml") + ") cannot be key and optional."},
      {{"two_default_literals.xml"}, false,
       " enum Color has more than 1 enumerator without defaultLiteral flag: GREEN .Cannot process "
       "file."},
      {{"min_greater_max.xml"}, false,
       "field/member/typedef level (file: " + file("min_greater_max.xml") + ")" + kRange},
      {{"optional_with_default.xml"}, false,
       "field/member/typedef level (file: " + file("optional_with_default.xml") + ")" + kRange},
      {{"range_on_struct_member.xml"}, false,
       "field/member/typedef p (file: " + file("range_on_struct_member.xml") + ")" + kRange},
      {{"default_outside_range.xml"}, false,
       "field/member/typedef level (file: " + file("default_outside_range.xml") + ")" +
           kRangeThroughType},
      {{"unknown_constant.xml"}, false,
       "Cannot find constant in ddsConstantsMap: LOWEST for member level"},
      {{"basic_and_nonbasic.xml"}, false,
       "Member p in struct S cannot have a basic type definition and a nonBasicTypeName "
       "definition. File " + file("basic_and_nonbasic.xml")},
      {{"unknown_nonbasic.xml"}, true,
       "No type found for nonBasicType: Pointt in file " + file("unknown_nonbasic.xml")},
      {{"duplicate_struct_a.xml", "duplicate_struct_b.xml"}, false, "struct allready exists Geo::Point"},
      {{"duplicate_union.xml"}, false, "union allready exists U"},
      {{"duplicate_enum.xml"}, false, "enum allready exists E"},
      {{"duplicate_enumerator.xml"}, false, "enumerator allready exists E::A"},
      {{"duplicate_const.xml"}, false, "const allready exists M::C"},
      {{"duplicate_member.xml"}, false, "member allready exists S::a"},
      {{"duplicate_union_member.xml"}, false, "union member allready exists U::a"},
      {{"duplicate_typedef.xml"}, false, "typedef allready exists T"},
      {{"enumerator_not_integer.xml"}, false,
       "Erroneous value '1.5' provided for field 'E::A' Error = not an integer"},
      {{"missing_include.xml"}, false,
       "included file " + file("does_not_exist.xml") + " doesn't exist"},
      {{"includes_not_well_formed.xml"}, false,
       "error parsing included file " + file("not_well_formed.xml")},
      {{"not_well_formed.xml"}, false,
       "error parsing dds type file (skipping file parsing) " +
           DdsConfigData("broken/not_well_formed.xml").string()},
  };
}

std::string FailureName(const ::testing::TestParamInfo<Failure>& info) {
  return fs::path(info.param.files.back()).stem().string();
}

INSTANTIATE_TEST_SUITE_P(EveryMessage, TypeFileFailure, ::testing::ValuesIn(Failures()), FailureName);

TEST(TypeFileFailure, IncludeWithoutFileOnlyWarns) {
  TypeFileMetadata metadata;
  testing::LogCapture log;
  Extract("broken/include_without_file.xml", metadata);
  EXPECT_EQ(log.Count("Include file not defined in include notation. Skipping file loading."), 1u);
  EXPECT_EQ(metadata.members.count("S::a"), 1u);
}

// A type declared in a later file is fine; only when no file declares it does loading fail.
TEST(TypeFileFailure, ForwardReferenceAcrossFilesResolvesWhenTheTypeArrives) {
  TypeFileMetadata metadata;
  Extract("broken/unknown_nonbasic.xml", metadata);
  EXPECT_EQ(metadata.pending.size(), 1u);
  Extract("broken/provides_pointt.xml", metadata);
  EXPECT_TRUE(metadata.pending.empty());
  EXPECT_NO_THROW(FinishTypeFilesInfo(metadata));
  EXPECT_EQ(metadata.members.count("S::p"), 1u);
}

}  // namespace
}  // namespace Quorvel::ddsconfig
