#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Quorvel::Cli {

// A one-line bar on standard error, redrawn in place: frames read of the recording, with a
// percentage when the frame count is known. Draws nothing unless enabled (stderr a terminal).
class ProgressBar {
 public:
  ProgressBar(bool enabled, std::string label, std::optional<std::uint64_t> total);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::uint64_t done);
  // Clears the line, so that what follows starts on a clean one.
  void Finish();

 private:
  bool enabled;
  bool drawn = false;
  std::string label;
  std::optional<std::uint64_t> total;
};

}  // namespace Quorvel::Cli
