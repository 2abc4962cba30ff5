#pragma once

// A peer program run by a test (ddsperf, a Cyclone peer), its output in a file; killed and reaped on
// destruction if it still runs.

#include <string>
#include <sys/types.h>
#include <vector>

namespace Quorvel::testing {

// CYCLONEDDS_URI that keeps Cyclone on the loopback interface.
extern const char* const kCycloneLoopback;

class ChildProcess {
public:
  ChildProcess(const std::vector<std::string>& arguments, const std::string& outputFile);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits for the exit; returns the exit status (128 + signal when killed).
  int Wait();
  std::string Output() const;

private:
  pid_t pid = -1;
  std::string outputFile;
};

}  // namespace Quorvel::testing
