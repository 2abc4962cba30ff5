#pragma once

// A reader of pcapng files (IETF draft "PCAP Next Generation Dump File Format"): Section Header,
// Interface Description, Enhanced Packet, Simple Packet and the obsolete Packet block, in either
// byte order; every other block is skipped by its length. Each packet comes with its
// interface's link type, so a file whose interfaces have different link types (which libpcap
// refuses) is read packet by packet. Every length read from the file is checked against the
// block before it is used; a malformed or truncated block throws WireError.

#include "passive/PacketHeader.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Quorvel::passive {

class WireReader;

struct PcapngInterface {
  int linkType = 0;           // LINKTYPE_ value
  uint32_t snapLength = 0;    // 0: no limit
  uint64_t ticksPerSecond = 1'000'000;
  int64_t offsetSeconds = 0;  // if_tsoffset
};

struct PcapngPacket {
  uint32_t interfaceId = 0;
  int linkType = 0;
  PacketHeader header;              // ts from the block; arrival_time left to the caller
  std::span<const uint8_t> frame;   // caplen bytes, valid until the next call of Next
};

class PcapngReader {
 public:
  // Opens `path`; throws std::runtime_error when it cannot be read.
  explicit PcapngReader(const std::string& path);

  // Whether the file at `path` starts with a Section Header Block.
  static bool IsPcapng(const std::string& path);

  // The next packet, or nothing at the end of the file.
  std::optional<PcapngPacket> Next();
  // The interfaces of the current section, by interface id.
  const std::vector<PcapngInterface>& Interfaces() const { return interfaces_; }
  // Counts section headers read; interface ids restart with every section.
  uint32_t Section() const { return section_; }

 private:
  // Reads one whole block into block_; false at a clean end of file.
  bool ReadBlock(uint32_t& type);
  // The packet of a packet block; nothing for other blocks.
  std::optional<PcapngPacket> ReadBody(uint32_t type);
  void ReadSectionHeader(WireReader& body);
  void ReadInterface(WireReader& body);
  PcapngPacket ReadEnhancedPacket(WireReader& body);
  PcapngPacket ReadSimplePacket(WireReader& body);
  PcapngPacket ReadObsoletePacket(WireReader& body);
  PcapngPacket MakePacket(uint32_t interfaceId, uint64_t timestamp, uint32_t caplen,
                          uint32_t length, WireReader& body) const;
  const PcapngInterface& Interface(uint32_t interfaceId) const;

  std::ifstream file_;
  std::vector<uint8_t> block_;
  bool bigEndian_ = false;
  bool inSection_ = false;
  uint64_t blockOffset_ = 0;  // of the block being read, for messages
  uint64_t nextBlockOffset_ = 0;
  uint32_t section_ = 0;
  std::vector<PcapngInterface> interfaces_;
};

}  // namespace Quorvel::passive
