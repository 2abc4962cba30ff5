// veltrane dissect ended by a signal in the middle of a long recording: the reading stops early,
// the run still exits 0 with its output whole and a summary of what was done.

#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace Quorvel::CliTest {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kPcapHeaderSize = 24;
constexpr std::size_t kRecordHeaderSize = 16;

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t LittleEndian32(const std::vector<char>& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

struct LongRecording {
  std::string path;
  long long frames = 0;
};

// The frames of a real recording (discovery first, then its samples) repeated `copies` times
// behind one file header: long enough that no machine reads it before the test's signal.
LongRecording WriteLongRecording(const std::string& source, const std::string& path, int copies) {
  const std::vector<char> bytes = ReadFile(source);
  if (bytes.size() < kPcapHeaderSize || LittleEndian32(bytes, 0) != 0xa1b2c3d4) {
    throw std::runtime_error("not a little-endian microsecond pcap: " + source);
  }
  long long framesPerCopy = 0;
  for (std::size_t at = kPcapHeaderSize; at < bytes.size(); ++framesPerCopy) {
    at += kRecordHeaderSize + LittleEndian32(bytes, at + 8);
    if (at > bytes.size()) throw std::runtime_error("truncated record in " + source);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), kPcapHeaderSize);
  for (int copy = 0; copy < copies; ++copy) {
    out.write(bytes.data() + kPcapHeaderSize, static_cast<std::streamsize>(bytes.size() - kPcapHeaderSize));
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
  return {path, framesPerCopy * copies};
}

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltrane-interrupt-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string File(const std::string& name) const { return path + "/" + name; }

 private:
  std::string path;
};

struct SignalCase {
  int signal;
  std::string reason;
};

class CliDissectInterrupt : public testing::TestWithParam<SignalCase> {};

// The signal is sent once samples reach the output, that is mid-recording; the second recording
// on the command line must not be started.
TEST_P(CliDissectInterrupt, EndsTheRecordingEarlyWithWholeOutputAndSummary) {
  const ScratchFolder scratch;
  const LongRecording recording = WriteLongRecording(SourcePath("tests/data/passive/ddsperf_lo.pcap"),
                                                     scratch.File("long.pcap"), 1000);
  const std::string output = scratch.File("samples.jsonl");
  CliProcess dissect({"dissect", "-x", SourcePath("tests/data/passive/keyedseq.xml"), "--no-progress", "-o", output,
                      recording.path, recording.path});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  // Before the first sample is written the tool may not yet watch for signals.
  const auto hasSamples = [&output] {
    std::error_code missing;
    const auto size = std::filesystem::file_size(output, missing);
    return !missing && size > 0;
  };
  while (!hasSamples() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  dissect.Signal(GetParam().signal);
  const CliResult result = dissect.Wait();

  VELTRANE_SKIP_IF_ENGINE_LACKS(result);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find(GetParam().reason), std::string::npos) << result.err;
  const long long framesRead = SummaryFigure(result.err, "frames read");
  EXPECT_GT(framesRead, 0) << result.err;
  EXPECT_LT(framesRead, recording.frames) << "the recording was read to its end\n" << result.err;

  const std::vector<char> written = ReadFile(output);
  const std::vector<std::string> lines = Lines(std::string(written.begin(), written.end()));
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    const auto document = nlohmann::json::parse(line);  // every line whole: the output was flushed
    EXPECT_EQ(document.at("SampleMetaData").at("CommonMetaData").at("topic_name"), "DDSPerfRDataKS");
  }
  EXPECT_EQ(SummaryFigure(result.err, "samples written"), static_cast<long long>(lines.size())) << result.err;
  EXPECT_LE(SummaryFigure(result.err, "samples written"), SummaryFigure(result.err, "user samples delivered"))
      << result.err;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliDissectInterrupt,
                         testing::Values(SignalCase{SIGINT, "interrupted (SIGINT)"},
                                         SignalCase{SIGTERM, "terminated (SIGTERM)"}),
                         [](const testing::TestParamInfo<SignalCase>& info) {
                           return info.param.signal == SIGINT ? std::string("SIGINT") : std::string("SIGTERM");
                         });

}  // namespace
}  // namespace Quorvel::CliTest
