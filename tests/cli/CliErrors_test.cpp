// The tool's exit statuses: 2 for every command line it cannot accept, 1 for every runtime
// failure, each with a clear message on standard error and nothing on standard output.

#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace Quorvel::CliTest {
namespace {

struct ErrorCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string message;  // must appear on standard error
};

std::string Types() { return SourcePath("examples/types"); }
std::string Recording() { return SourcePath("examples/recordings/harbor.pcap"); }

std::vector<ErrorCase> UsageErrors() {
  return {
      {"NoSubcommand", {}, 2, "A subcommand is required"},
      {"UnknownSubcommand", {"replay"}, 2, "A subcommand is required"},
      {"DissectWithoutRecording", {"dissect", "-x", Types()}, 2, "recordings is required"},
      {"UnknownFormat", {"dissect", "-F", "xml", Recording()}, 2, "xml"},
      {"UnknownEnumFormat", {"dissect", "--enums", "ordinal", Recording()}, 2, "ordinal"},
      {"ZeroThreads", {"dissect", "-j", "0", Recording()}, 2, "--threads: Value 0 not in range"},
      {"CountNotANumber", {"dissect", "-n", "many", Recording()}, 2, "many"},
      {"DomainOutOfRange", {"monitor-readers", "-d", "300"}, 2, "300"},
      {"NegativeDuration", {"monitor", "--duration", "-1"}, 2, "duration"},
      {"CaptureWithoutInterface", {"capture", "-x", Types()}, 2, "--interface is required"},
      {"PublishWithoutWriter", {"publish", "--json", "{}"}, 2, "--writer is required"},
      {"PublishWithoutSamples", {"publish", "-w", "BerthWriter"}, 2, "publish needs samples"},
      {"AssignmentWithoutEquals", {"publish", "-w", "BerthWriter", "--set", "berth"}, 2, "--set expects member=value"},
      {"UnknownOption", {"types", "--colour"}, 2, "--colour"},
  };
}

std::vector<ErrorCase> RuntimeFailures() {
  return {
      {"MissingXmlPath", {"types", "-x", "/nonexistent/types"}, 1, "/nonexistent/types Doesn't exist."},
      {"UnknownType", {"types", "-x", Types(), "Harbor::Submarine"}, 1, " Error dissecting dynamic type = Harbor::Submarine"},
      {"MissingRecording", {"dissect", "-x", Types(), "/nonexistent/harbor.pcap"}, 1, "/nonexistent/harbor.pcap doesn't exist."},
      {"RecordingNotPcap", {"dissect", "-x", Types(), SourcePath("examples/types/harbor.xml")}, 1, "is not a pcap file."},
      {"OutputFolderMissing", {"dissect", "-x", Types(), "-o", "/nonexistent/out.jsonl", Recording()}, 1, "cannot open output file /nonexistent/out.jsonl"},
      {"ParticipantWithoutItsQos", {"types", "-x", Types(), "-x", SourcePath("examples/participants")}, 1, "PassiveEngine::Init Fatal Error"},
      {"UnknownParticipant", {"monitor-readers", "-x", Types(), "-x", SourcePath("examples/qos"), "-x", SourcePath("examples/participants"), "-p", "HarborApps::Nobody"}, 1, "ActiveEngine::Init Fatal Error"},
      {"JsonLinesFileMissing", {"publish", "-w", "BerthWriter", "--jsonl", "/nonexistent/samples.jsonl"}, 1, "cannot read /nonexistent/samples.jsonl"},
      {"OutputDeviceFull", {"dissect", "-x", Types(), "-o", "/dev/full", Recording()}, 1, "cannot write the output to /dev/full: No space left on device"},
      {"LogFolderUncreatable", {"types", "-x", Types(), "--log-dir", "/proc/veltrane-logs"}, 1, "cannot create the log folder /proc/veltrane-logs"},
  };
}

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.name; }

class CliErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CliErrors, ExitStatusAndMessage) {
  const ErrorCase& c = GetParam();
  const CliResult result = RunCli(c.arguments);
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(Usage, CliErrors, ::testing::ValuesIn(UsageErrors()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Runtime, CliErrors, ::testing::ValuesIn(RuntimeFailures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliHelp, HelpAndVersionSucceed) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"dissect", "capture", "monitor", "monitor-readers", "publish", "types"}) {
    EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
  const CliResult dissectHelp = RunCli({"dissect", "--help"});
  EXPECT_EQ(dissectHelp.status, 0);
  EXPECT_NE(dissectHelp.out.find("--topic"), std::string::npos);
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "veltrane 4.6.1.5\n");
}

// A reader that goes away (`veltrane dissect ... | head -1`) only ends the run early.
TEST(CliOutput, ClosedPipeEndsTheRunCleanly) {
  const std::string command = ToolPath() + " dissect -x " + Types() + " " + Recording() +
                              " 2>/dev/null | head -c 10 > /dev/null; exit ${PIPESTATUS[0]}";
  const int status = std::system(("bash -c '" + command + "'").c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CliLogs, RunsLogIntoTheChosenFolder) {
  const std::string folder = BinaryPath("tests/cli/logs-of-a-run");
  std::filesystem::remove_all(folder);
  const CliResult result = RunCli({"types", "-x", Types(), "--log-dir", folder, "-v", "debug"});
  ASSERT_EQ(result.status, 0) << result.err;
  bool found = false;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    found = found || entry.path().filename().string().rfind("Quorvel.VeltraneLog_", 0) == 0;
  }
  EXPECT_TRUE(found) << "no log file in " << folder;
}

}  // namespace
}  // namespace Quorvel::CliTest
