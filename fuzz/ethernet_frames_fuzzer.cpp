// A run of captured frames through the capture stage's decoder (link layer, IPv4 with fragment
// reassembly, UDP, RTPS magic) and every completed RTPS message through the passive pipeline
// seeded with the recordings' discovery (SeededPipeline). Input: one byte choosing the link
// type (Ethernet, Linux cooked v1 and v2, BSD loopback, raw IP), then frames, each behind a
// 16-bit big-endian length.

#include "passive/PacketDecoder.h"
#include "passive/PacketHeader.h"
#include "support/DiscoverySeed.h"
#include "support/FuzzEnvironment.h"
#include "support/FuzzInput.h"
#include "support/PassivePipeline.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace {

constexpr Quorvel::passive::LinkType kLinkTypes[] = {
    Quorvel::passive::LinkType::ETHERNET, Quorvel::passive::LinkType::LINUX_SLL,
    Quorvel::passive::LinkType::LINUX_SLL2, Quorvel::passive::LinkType::BSD_LOOPBACK,
    Quorvel::passive::LinkType::RAW_IP};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Quorvel::fuzz::QuietLogging();
  Quorvel::fuzz::SeededPipeline();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Quorvel;
  fuzz::FuzzInput input(data, size);
  passive::PacketDecoder decoder(kLinkTypes[input.TakeByte() % std::size(kLinkTypes)]);
  for (long second = 0; !input.Empty(); ++second) {
    const auto frame = input.TakeChunk();
    passive::PacketHeader header;
    // A second between frames: the reassembly's age bound is in capture time.
    header.ts.tv_sec = second;
    header.caplen = header.len = static_cast<uint32_t>(frame.size());
    const auto message = decoder.Decode(header, frame);
    if (!message) continue;
    fuzz::SeededPipeline().Process(message);
  }
  return 0;
}
