#pragma once

// The per-frame stages of the capture: link -> IPv4 -> reassembly -> UDP -> RTPS magic, each
// handing a narrower span to the next. Frames that are not IPv4, not UDP or not RTPS are
// dropped with a debug line; frames too short for what their headers claim with a warning.
// Each dropped frame is counted once, as NON_RTPS or MALFORMED_INPUT, when counters are given.
// Kept apart from libpcap so every stage can be fed bytes directly.

#include "passive/IPFragmentsHandler.h"
#include "passive/LinkLayer.h"
#include "passive/RTPSMessage.h"

#include <cstdint>
#include <memory>
#include <span>

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

class PacketDecoder {
 public:
  explicit PacketDecoder(LinkType linkType, ReassemblyLimits limits = {},
                         std::shared_ptr<EngineCounters> counters = nullptr)
      : link_(linkType), fragments_(limits, counters), counters_(std::move(counters)) {}

  // One captured frame (its `caplen` bytes) in; the RTPS message it completes out, or nothing.
  std::shared_ptr<RTPSMessage> Decode(const PacketHeader& header, std::span<const uint8_t> frame);

  // Frees pending fragments.
  void Restart() { fragments_.Restart(); }
  void DropIncompleteFragments(const std::string& why) { fragments_.DropIncomplete(why); }
  const IPFragmentsHandler& Fragments() const { return fragments_; }

 private:
  std::shared_ptr<RTPSMessage> DecodeFrame(const PacketHeader& header,
                                           std::span<const uint8_t> frame);
  // From the UDP header on; `ipHeader` describes the datagram.
  std::shared_ptr<RTPSMessage> DecodeDatagram(
      std::shared_ptr<const PacketHeader> packetHeader, std::shared_ptr<const IPHeader> ipHeader,
      std::span<const uint8_t> datagram);

  // Counts a frame given up on as not RTPS; returns nothing, for the caller to return.
  std::nullptr_t NotRtps();

  LinkLayer link_;
  IPFragmentsHandler fragments_;
  std::shared_ptr<EngineCounters> counters_;
};

}  // namespace Quorvel::passive
