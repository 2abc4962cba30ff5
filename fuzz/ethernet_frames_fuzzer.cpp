// A run of captured frames through the capture stage's decoder (link layer, IPv4 with fragment
// reassembly, UDP, RTPS magic) and every completed RTPS message through the passive pipeline,
// after the recordings' discovery. Input: one byte choosing the link type (Ethernet, Linux
// cooked v1 and v2, BSD loopback, raw IP), then frames, each behind a 16-bit big-endian length.

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

std::shared_ptr<Quorvel::EngineConfig> Config() {
  static const auto config = Quorvel::fuzz::RecordingsConfig();
  return config;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Quorvel::fuzz::QuietLogging();
  Config();
  Quorvel::fuzz::RecordedDiscovery();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Quorvel;
  fuzz::FuzzInput input(data, size);
  passive::PacketDecoder decoder(kLinkTypes[input.TakeByte() % std::size(kLinkTypes)]);
  std::unique_ptr<fuzz::PassivePipeline> pipeline;
  for (long second = 0; !input.Empty(); ++second) {
    const auto frame = input.TakeChunk();
    passive::PacketHeader header;
    // A second between frames: the reassembly's age bound is in capture time.
    header.ts.tv_sec = second;
    header.caplen = header.len = static_cast<uint32_t>(frame.size());
    const auto message = decoder.Decode(header, frame);
    if (!message) continue;
    if (!pipeline) {
      pipeline = std::make_unique<fuzz::PassivePipeline>(Config());
      for (const auto& announcement : fuzz::RecordedDiscovery()) pipeline->Process(announcement);
    }
    pipeline->Process(message);
  }
  return 0;
}
