#pragma once

#include "Options.h"

#include <quorvel/EngineConfiguration.h>

#include <string>

namespace Quorvel::Cli {

// The engine configuration of one command: mode, DDS XML paths, participant, pool size and
// the output the formatter reads. Value formats come from `output`.
EngineConfiguration MakeEngineConfiguration(EngineOperationMode mode, const CommonOptions& common,
                                            const OutputOptions& output, bool jsonOutput);

// Configures the process-wide factory (the log) once: the log folder is created when missing.
void ConfigureLogging(const CommonOptions& common);

// Where the logs go when --log-dir is not given: $XDG_STATE_HOME/veltrane, or
// ~/.local/state/veltrane, or the system's temporary folder when there is no home.
std::string DefaultLogDirectory();

}  // namespace Quorvel::Cli
