#pragma once

// A pcapng recording with one packet decoder per interface, built for that interface's link
// type: packets of an Ethernet interface and of a Linux cooked one in the same file are each
// decoded by their own link stage, and IPv4 fragments are joined per interface.

#include "passive/PacketDecoder.h"
#include "passive/PcapngReader.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

class PcapngCapture {
 public:
  struct Frame {
    PacketHeader header;
    std::span<const uint8_t> bytes;  // valid until the next call of Next
    PacketDecoder* decoder;          // null when the interface's link type cannot be read
  };

  // Throws std::runtime_error when the file cannot be opened. `counters` may be null.
  PcapngCapture(const std::string& path, std::shared_ptr<EngineCounters> counters);

  // The next packet, or nothing at the end of the file. Throws WireError on a malformed block.
  std::optional<Frame> Next();
  // At the end of the recording: every interface gives up its incomplete IPv4 datagrams.
  void DropIncompleteFragments(const std::string& why);

 private:
  void FollowInterfaces();

  std::string path_;
  PcapngReader reader_;
  std::shared_ptr<EngineCounters> counters_;
  uint32_t section_ = 0;
  std::vector<std::unique_ptr<PacketDecoder>> decoders_;  // by interface id
};

}  // namespace Quorvel::passive
