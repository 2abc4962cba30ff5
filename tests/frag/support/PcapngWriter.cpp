#include "frag/support/PcapngWriter.h"

#include <fstream>
#include <stdexcept>

namespace Quorvel::passive::testing {

namespace {
void Pad(Bytes& bytes) {
  while (bytes.size() % 4 != 0) bytes.push_back(0);
}
}  // namespace

void PcapngWriter::Block(uint32_t type, const Bytes& body) {
  const uint32_t length = static_cast<uint32_t>(body.size() + 12);
  PutU32(bytes_, type, endian_);
  PutU32(bytes_, length, endian_);
  Append(bytes_, body);
  PutU32(bytes_, length, endian_);
}

void PcapngWriter::SectionHeader() {
  Bytes body;
  PutU32(body, 0x1A2B3C4D, endian_);
  PutU16(body, 1, endian_);
  PutU16(body, 0, endian_);
  PutU32(body, 0xFFFFFFFF, endian_);  // section length unknown
  PutU32(body, 0xFFFFFFFF, endian_);
  Block(0x0A0D0D0A, body);
}

void PcapngWriter::Interface(uint16_t linkType, uint32_t snapLength, int resolution) {
  Bytes body;
  PutU16(body, linkType, endian_);
  PutU16(body, 0, endian_);
  PutU32(body, snapLength, endian_);
  if (resolution >= 0) {
    PutU16(body, 9, endian_);  // if_tsresol
    PutU16(body, 1, endian_);
    body.push_back(static_cast<uint8_t>(resolution));
    Pad(body);
    PutU16(body, 0, endian_);  // opt_endofopt
    PutU16(body, 0, endian_);
  }
  Block(1, body);
}

void PcapngWriter::EnhancedPacket(uint32_t interfaceId, uint64_t timestamp, const Bytes& frame) {
  Bytes body;
  PutU32(body, interfaceId, endian_);
  PutU32(body, static_cast<uint32_t>(timestamp >> 32), endian_);
  PutU32(body, static_cast<uint32_t>(timestamp), endian_);
  PutU32(body, static_cast<uint32_t>(frame.size()), endian_);
  PutU32(body, static_cast<uint32_t>(frame.size()), endian_);
  Append(body, frame);
  Pad(body);
  Block(6, body);
}

void PcapngWriter::SimplePacket(const Bytes& frame) {
  Bytes body;
  PutU32(body, static_cast<uint32_t>(frame.size()), endian_);
  Append(body, frame);
  Pad(body);
  Block(3, body);
}

void PcapngWriter::Write(const std::string& path) const {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace Quorvel::passive::testing
