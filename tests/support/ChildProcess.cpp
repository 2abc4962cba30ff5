#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace Quorvel::testing {

const char* const kCycloneLoopback =
    "<General><Interfaces><NetworkInterface name=\"lo\" multicast=\"true\"/></Interfaces></General>"
    "<Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>";

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::string& output)
    : outputFile(output) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    if (std::string(*entry).rfind("CYCLONEDDS_URI=", 0) != 0) environment.emplace_back(*entry);
  }
  environment.push_back(std::string("CYCLONEDDS_URI=") + kCycloneLoopback);
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) throw std::runtime_error("cannot start " + arguments.front());
}

ChildProcess::~ChildProcess() {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

int ChildProcess::Wait() {
  if (pid <= 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ChildProcess::Output() const {
  std::ifstream in(outputFile);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace Quorvel::testing
