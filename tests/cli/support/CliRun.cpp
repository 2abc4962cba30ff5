#include "CliRun.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Quorvel::CliTest {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

}  // namespace

std::string ToolPath() { return std::string(VELTRANE_BINARY_DIR) + "/tools/veltrane/veltrane"; }
std::string SourcePath(const std::string& relative) { return std::string(VELTRANE_SOURCE_DIR) + "/" + relative; }
std::string BinaryPath(const std::string& relative) { return std::string(VELTRANE_BINARY_DIR) + "/" + relative; }

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::string& standardInput) {
  char pattern[] = "/tmp/veltrane-cli-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder = pattern;
  {
    std::ofstream(folder + "/in") << standardInput;
  }
  std::vector<std::string> argv{ToolPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  // The logs of the run stay inside the test's own folder unless the test names one.
  bool hasLogDir = false;
  for (const std::string& argument : arguments) hasLogDir = hasLogDir || argument == "--log-dir";
  pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = open((folder + "/in").c_str(), O_RDONLY);
    const int out = open((folder + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open((folder + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (!hasLogDir) setenv("XDG_STATE_HOME", folder.c_str(), 1);
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
}

CliProcess::~CliProcess() {
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

void CliProcess::Signal(int signal) const {
  if (pid > 0) kill(pid, signal);
}

CliResult CliProcess::Wait(std::chrono::seconds limit) {
  CliResult result;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int raw = 0;
  while (waitpid(pid, &raw, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &raw, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid = -1;
  result.status = StatusOf(raw);
  result.out = ReadAll(folder + "/out");
  result.err = ReadAll(folder + "/err");
  return result;
}

std::string CliProcess::ErrSoFar() const { return ReadAll(folder + "/err"); }

CliResult RunCli(const std::vector<std::string>& arguments, const std::string& standardInput) {
  CliProcess process(arguments, standardInput);
  return process.Wait();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

long long SummaryFigure(const std::string& summary, const std::string& label) {
  for (const std::string& line : Lines(summary)) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line.compare(start, label.size(), label) != 0) continue;
    const std::string rest = line.substr(start + label.size());
    if (rest.empty() || rest[0] != ' ') continue;  // "dropped" must not match "dropped x"
    const std::size_t digits = rest.find_first_not_of(' ');
    if (digits == std::string::npos) continue;
    return std::atoll(rest.c_str() + digits);
  }
  return -1;
}

std::string MissingEngineOperation(const CliResult& result) {
  if (result.status != 1) return {};
  for (const std::string& line : Lines(result.err)) {
    if (line.find("is not provided") != std::string::npos ||
        line.find("is available in this build") != std::string::npos) {
      return line;
    }
  }
  return {};
}

}  // namespace Quorvel::CliTest
