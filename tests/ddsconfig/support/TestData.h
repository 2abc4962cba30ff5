#pragma once

#include <filesystem>
#include <string>

namespace Quorvel::testing {

inline std::filesystem::path DdsConfigData(const std::string& relative) {
  return std::filesystem::path(VELTRANE_TEST_DATA_DIR) / "ddsconfig" / relative;
}

}  // namespace Quorvel::testing
