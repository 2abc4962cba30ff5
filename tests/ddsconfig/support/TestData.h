#pragma once

#include <filesystem>
#include <string>

namespace Quorvel::testing {

inline std::filesystem::path DdsConfigData(const std::string& relative) {
  return std::filesystem::path(VELTRANE_TEST_DATA_DIR) / "ddsconfig" / relative;
}

// The QoS, participant and broken profile files under tests/data/profiles, as the engine
// names them (absolute, lexically normal).
inline std::filesystem::path ProfilesData(const std::string& relative) {
  return (std::filesystem::path(VELTRANE_TEST_DATA_DIR) / "profiles" / relative).lexically_normal();
}

inline std::filesystem::path TypesData(const std::string& relative) {
  return (std::filesystem::path(VELTRANE_TEST_DATA_DIR) / "types" / relative).lexically_normal();
}

}  // namespace Quorvel::testing
