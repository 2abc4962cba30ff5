#include "support/FuzzEnvironment.h"

#include "common/Log.h"

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace Quorvel::fuzz {

namespace {

// Owns the scratch folder: removed with everything in it when the process ends normally.
class Scratch {
 public:
  Scratch()
      : path_(std::filesystem::temp_directory_path() /
              ("veltrane-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

void QuietLogging() { Log::SetThreshold(LogSeverityLevel::FATAL); }

std::filesystem::path TestData(const std::string& relative) {
  return std::filesystem::path(VELTRANE_TEST_DATA_DIR) / relative;
}

const std::filesystem::path& ScratchDirectory() {
  static const Scratch scratch;
  return scratch.Path();
}

std::filesystem::path WriteScratchFile(const std::string& name, std::string_view text) {
  const auto path = ScratchDirectory() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path;
}

}  // namespace Quorvel::fuzz
