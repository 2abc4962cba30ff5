// veltrane: the command-line tool over libveltrane. Exit status 0 on success (also after
// Ctrl-C, which ends a run cleanly), 1 on a runtime failure, 2 on a usage error.

#include "CommandLine.h"
#include "Commands.h"
#include "EngineSetup.h"
#include "SignalWatcher.h"
#include "StopSignal.h"
#include "UsageError.h"

#include <quorvel/Veltrane.h>

#include <exception>
#include <iostream>

namespace {

int Dispatch(const Quorvel::Cli::Invocation& invocation, Quorvel::Cli::StopSignal& stop) {
  using Quorvel::Cli::Command;
  switch (invocation.command) {
    case Command::DISSECT: return Quorvel::Cli::RunDissect(invocation, stop);
    case Command::PUBLISH: return Quorvel::Cli::RunPublish(invocation, stop);
    case Command::TYPES: return Quorvel::Cli::RunTypes(invocation);
    case Command::CAPTURE:
    case Command::MONITOR:
    case Command::MONITOR_READERS: break;
  }
  return Quorvel::Cli::RunLiveMonitoring(invocation, stop);
}

}  // namespace

int main(int argc, char** argv) {
  Quorvel::Cli::StopSignal stop;
  // Before any other thread exists, so that all of them inherit the blocked signals.
  Quorvel::Cli::SignalWatcher signals(stop);
  int status = 0;
  const auto invocation = Quorvel::Cli::ParseCommandLine(argc, argv, status);
  if (!invocation) return status;
  bool logging = false;
  try {
    Quorvel::Cli::ConfigureLogging(invocation->common);
    logging = true;
    status = Dispatch(*invocation, stop);
  } catch (const Quorvel::Cli::UsageError& error) {
    std::cerr << "veltrane: usage error: " << error.what() << "\nRun with --help for more information.\n";
    status = 2;
  } catch (const std::exception& error) {
    std::cerr << "veltrane: error: " << error.what() << '\n';
    status = 1;
  }
  // Only a configured factory is finalized: the log of an unconfigured one would go to stdout.
  if (!logging) return status;
  try {
    Quorvel::Veltrane::FinalizeFactory();
  } catch (const std::exception& error) {
    std::cerr << "veltrane: error: " << error.what() << '\n';
  }
  return status;
}
