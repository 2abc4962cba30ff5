#pragma once

// Runs the built veltrane tool as a child process, the way a user's shell would: arguments,
// optional standard input, standard output and error captured apart, exit status.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Quorvel::CliTest {

// The tool under test and the folders it reads.
std::string ToolPath();
std::string SourcePath(const std::string& relative);
std::string BinaryPath(const std::string& relative);

struct CliResult {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

// A running tool; killed and reaped on destruction if it still runs.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& arguments, const std::string& standardInput = {});
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Signal(int signal) const;
  // Waits for the exit, at most `limit` (then kills it: status 128 + SIGKILL).
  CliResult Wait(std::chrono::seconds limit = std::chrono::seconds(120));
  // What the tool has written to standard error so far.
  std::string ErrSoFar() const;

 private:
  pid_t pid = -1;
  std::string folder;
};

// Runs the tool to its end.
CliResult RunCli(const std::vector<std::string>& arguments, const std::string& standardInput = {});

std::vector<std::string> Lines(const std::string& text);
// The number in the summary line that starts with `label` (after the indentation); -1 when absent.
long long SummaryFigure(const std::string& summary, const std::string& label);

// The engine's "... is not provided ..." (an operation) or "no engine for the ... mode is
// available in this build" line when the run failed for what this build of the engine lacks
// (a mode still being built); empty otherwise.
std::string MissingEngineOperation(const CliResult& result);

}  // namespace Quorvel::CliTest

// Skips a test whose run needs an engine operation that the build does not provide yet.
#define VELTRANE_SKIP_IF_ENGINE_LACKS(result)                                                     \
  if (const std::string missing = ::Quorvel::CliTest::MissingEngineOperation(result); !missing.empty()) \
  GTEST_SKIP() << "engine operation missing from this build: " << missing
