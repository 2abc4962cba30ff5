#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Quorvel::Cli {

// The number of frames in a classic pcap file, from its record headers alone, for the progress
// bar. Nothing when the file is not a readable pcap; a truncated last record is not counted.
std::optional<std::uint64_t> CountPcapFrames(const std::string& path);

}  // namespace Quorvel::Cli
