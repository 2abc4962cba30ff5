// One captured UDP payload (an RTPS message) through the passive engine's pipeline: RTPS
// header and sub-message walk, participant and endpoint discovery, DATA_FRAG joining, batch
// splitting, and the decoding and rendering of user data of the writers the recordings'
// discovery announced (SeededPipeline). The payload travels in a loopback frame through the capture stage's
// decoder, so it meets exactly the checks a captured datagram meets.

#include "passive/PacketDecoder.h"
#include "passive/PacketHeader.h"
#include "support/DiscoverySeed.h"
#include "support/FuzzEnvironment.h"
#include "support/PassivePipeline.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// The largest UDP payload an IPv4 datagram can carry.
constexpr size_t kMaxUdpPayload = 65507;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Quorvel::fuzz::QuietLogging();
  Quorvel::fuzz::SeededPipeline();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Quorvel;
  const auto frame = fuzz::UdpFrame({data, std::min(size, kMaxUdpPayload)});
  passive::PacketDecoder decoder(passive::LinkType::ETHERNET);
  passive::PacketHeader header;
  header.caplen = header.len = static_cast<uint32_t>(frame.size());
  const auto message = decoder.Decode(header, frame);
  if (!message) return 0;
  fuzz::SeededPipeline().Process(message);
  return 0;
}
