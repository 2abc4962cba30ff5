#pragma once

#include "Options.h"

#include <optional>

namespace Quorvel::Cli {

// Parses the command line. Returns the invocation, or nothing when the parser has already
// answered (help, version: `exitStatus` 0; a usage error, reported on stderr: 2).
std::optional<Invocation> ParseCommandLine(int argc, char** argv, int& exitStatus);

}  // namespace Quorvel::Cli
