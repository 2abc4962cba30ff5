#pragma once

// What every target sets up once per process: a quiet log (a fuzzer feeds millions of bad
// inputs, each of which would log its warning) and the paths of the test data that seed the
// targets' state.

#include <filesystem>
#include <string>

namespace Quorvel::fuzz {

// Only fatal records pass; call first thing in LLVMFuzzerInitialize.
void QuietLogging();

// A path under tests/data of the source tree.
std::filesystem::path TestData(const std::string& relative);

// A scratch folder of this process (created on first use, removed at exit), for the readers
// that take file paths only.
const std::filesystem::path& ScratchDirectory();

// Writes `text` to `name` inside ScratchDirectory and returns its path.
std::filesystem::path WriteScratchFile(const std::string& name, std::string_view text);

}  // namespace Quorvel::fuzz
