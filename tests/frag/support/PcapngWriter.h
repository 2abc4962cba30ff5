#pragma once

// pcapng files built block by block (IETF draft "PCAP Next Generation Dump File Format"), so
// tests can write what libpcap's writers never produce: interfaces of different link types,
// big-endian sections, simple packet blocks, unknown blocks, broken lengths.

#include "passive/support/WireBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::passive::testing {

class PcapngWriter {
 public:
  explicit PcapngWriter(Endian endian = Endian::LITTLE) : endian_(endian) {}

  void SectionHeader();
  // `resolution`: the if_tsresol byte, or none when negative (microseconds).
  void Interface(uint16_t linkType, uint32_t snapLength = 0, int resolution = -1);
  void EnhancedPacket(uint32_t interfaceId, uint64_t timestamp, const Bytes& frame);
  void SimplePacket(const Bytes& frame);
  // Any block, its body given whole (the caller pads it).
  void Block(uint32_t type, const Bytes& body);
  // Raw bytes, for broken blocks.
  void Raw(const Bytes& bytes) { Append(bytes_, bytes); }

  const Bytes& Data() const { return bytes_; }
  void Write(const std::string& path) const;

 private:
  Endian endian_;
  Bytes bytes_;
};

}  // namespace Quorvel::passive::testing
