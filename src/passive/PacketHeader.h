#pragma once

#include <sys/time.h>

#include <chrono>
#include <cstdint>

namespace Quorvel::passive {

// The libpcap record header of one frame as delivered, plus when this process read it. For a
// recording `ts` is the recorded capture time and `arrival_time` the time of reading.
struct PacketHeader {
  timeval ts{};
  uint32_t caplen = 0;
  uint32_t len = 0;
  std::chrono::system_clock::time_point arrival_time;
};

}  // namespace Quorvel::passive
