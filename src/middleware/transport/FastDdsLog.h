#pragma once

// Steers Fast DDS's own log. Fast DDS keeps its log consumers process-wide, so these calls
// act on the whole process; the engine's Logger calls them when the log starts.

#include <cstdint>
#include <filesystem>
#include <string>

namespace Quorvel::Transport {

// Sends every Fast DDS log entry (most verbose level) to rotating files named
// prefix + N + suffix, N from 0 to maxFiles - 1, reused in a ring. A file is rotated before
// it would grow past maxFileBytes; maxFileBytes <= 0 never rotates, maxFiles <= 0 keeps one.
// The first file is created at once.
void RouteFastDdsLogToFiles(const std::filesystem::path& prefix, const std::string& suffix,
                            std::int32_t maxFileBytes, std::int32_t maxFiles);

// Drops every Fast DDS log entry, Fast DDS's console output included.
void SilenceFastDdsLog();

// The version of the Fast DDS library in use, e.g. "Fast DDS 2.9.1".
std::string FastDdsVersion();

}  // namespace Quorvel::Transport
