// Inputs the fuzz targets found faulty, kept so the faults stay fixed.

#include "dissection/JsonMapConversion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

namespace Quorvel {
namespace {

namespace H = CommonHelperFunctions;
using FlatMap = std::map<std::string, std::string>;

// The injection target's input: a type byte, a form byte, then key=value lines.
FlatMap FlatMapOfInjectionInput(const std::string& name) {
  std::ifstream in(std::string(VELTRANE_TEST_DATA_DIR) + "/fuzz-regressions/" + name,
                   std::ios::binary);
  const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_GT(input.size(), 2u) << name;
  FlatMap fields;
  size_t start = 2;
  while (start < input.size()) {
    const size_t end = std::min(input.find('\n', start), input.size());
    const std::string line = input.substr(start, end - start);
    const size_t equals = line.find('=');
    fields[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
    start = end + 1;
  }
  return fields;
}

// One entry with index 4294967295 made MapToJson build an array of four billion nulls (the
// fuzzer's process ran out of memory); such a map is refused, before anything is allocated.
TEST(FuzzRegression, FlatMapWithHugeIndexIsRefused) {
  const FlatMap fields = FlatMapOfInjectionInput("flat-map-index-4294967295.bin");
  ASSERT_EQ(fields.count("SampleData.feature_set[4294967295]"), 1u);
  try {
    H::MapToJson(fields);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "the map's collection indexes make 4294967298 elements for 17 entries");
  }
}

// Left-out elements stay allowed up to the bound: nulls stand for elements without entries.
TEST(FuzzRegression, FlatMapIndexBound) {
  const auto elements = [](const FlatMap& fields) { return H::MapToJson(fields).dump(); };
  EXPECT_EQ(elements({{"s[3][0]", "x"}, {"s[0][0]", "y"}}),
            R"({"s":[["y"],null,null,["x"]]})");
  // 2^20 left out next to one entry is the most a map may leave out.
  EXPECT_NO_THROW(elements({{"s[1048576]", "x"}}));
  EXPECT_THROW(elements({{"s[1048577]", "x"}}), std::runtime_error);
  // The bound is on the whole map: two arrays share it.
  EXPECT_THROW(elements({{"a[600000]", "x"}, {"b[600000]", "y"}}), std::runtime_error);
  // Digits past 64 bits saturate instead of wrapping to a small index.
  EXPECT_THROW(elements({{"s[18446744073709551617]", "x"}}), std::runtime_error);
}

}  // namespace
}  // namespace Quorvel
