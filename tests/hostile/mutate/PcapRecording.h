#pragma once

// A whole recording in memory, frame by frame, so that frames can be corrupted, dropped,
// copied and moved before the recording is written out again as a classic pcap file.

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::Hostile {

struct CapturedFrame {
  std::int64_t seconds = 0;
  std::int64_t microseconds = 0;
  std::uint32_t originalLength = 0;  // on the wire; more than bytes.size() when cut short
  std::vector<std::uint8_t> bytes;
};

struct PcapRecording {
  int linkType = 0;
  int snapLength = 262144;
  std::vector<CapturedFrame> frames;

  // pcap or pcapng (libpcap reads both); throws std::runtime_error with libpcap's reason.
  static PcapRecording Read(const std::string& path);
  void Write(const std::string& path) const;
};

}  // namespace Quorvel::Hostile
