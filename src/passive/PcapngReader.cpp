#include "passive/PcapngReader.h"

#include "common/Log.h"
#include "passive/WireReader.h"

#include <array>
#include <limits>

namespace Quorvel::passive {

namespace {

constexpr uint32_t kSectionHeaderBlock = 0x0A0D0D0A;
constexpr uint32_t kInterfaceBlock = 0x00000001;
constexpr uint32_t kObsoletePacketBlock = 0x00000002;
constexpr uint32_t kSimplePacketBlock = 0x00000003;
constexpr uint32_t kEnhancedPacketBlock = 0x00000006;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr uint16_t kMajorVersion = 1;
// Type and the two length fields; a block is never shorter.
constexpr uint32_t kBlockFraming = 12;
// No real block comes near this; a larger length is corruption, not a reason to allocate.
constexpr uint32_t kMaxBlockLength = 64u << 20;
constexpr uint16_t kOptionEnd = 0;
constexpr uint16_t kOptionTimestampResolution = 9;
constexpr uint16_t kOptionTimestampOffset = 14;

uint32_t Padded(uint32_t length) { return (length + 3u) & ~3u; }

// if_tsresol: a power of ten, or of two when the top bit is set.
uint64_t TicksPerSecond(uint8_t resolution, const WireReader& where) {
  const uint8_t exponent = resolution & 0x7F;
  if ((resolution & 0x80) != 0) {
    if (exponent > 63) where.Fail("if_tsresol 2^-" + std::to_string(exponent) + " is too fine");
    return uint64_t{1} << exponent;
  }
  if (exponent > 19) where.Fail("if_tsresol 10^-" + std::to_string(exponent) + " is too fine");
  uint64_t ticks = 1;
  for (uint8_t i = 0; i < exponent; ++i) ticks *= 10;
  return ticks;
}

}  // namespace

PcapngReader::PcapngReader(const std::string& path) : file_(path, std::ios::binary) {
  if (!file_) ThrowLogged("Unable to open pcapng file: " + path);
}

bool PcapngReader::IsPcapng(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::array<uint8_t, 4> magic{};
  if (!file.read(reinterpret_cast<char*>(magic.data()), magic.size())) return false;
  return WireReader::DecodeU32(magic.data(), ByteOrder::BIG_ENDIAN_ORDER) == kSectionHeaderBlock;
}

std::optional<PcapngPacket> PcapngReader::Next() {
  uint32_t type = 0;
  while (ReadBlock(type)) {
    try {
      if (auto packet = ReadBody(type)) return packet;
    } catch (const WireError& error) {
      throw WireError("pcapng block at file offset " + std::to_string(blockOffset_) + ": " +
                      error.what());
    }
  }
  return std::nullopt;
}

std::optional<PcapngPacket> PcapngReader::ReadBody(uint32_t type) {
  WireReader body(block_, bigEndian_ ? ByteOrder::BIG_ENDIAN_ORDER : ByteOrder::LITTLE_ENDIAN_ORDER);
  switch (type) {
    case kSectionHeaderBlock:
      ReadSectionHeader(body);
      return std::nullopt;
    case kInterfaceBlock:
      ReadInterface(body);
      return std::nullopt;
    case kEnhancedPacketBlock:
      return ReadEnhancedPacket(body);
    case kSimplePacketBlock:
      return ReadSimplePacket(body);
    case kObsoletePacketBlock:
      return ReadObsoletePacket(body);
    default:
      return std::nullopt;  // statistics, name resolution, custom blocks: nothing to capture
  }
}

// Leaves the block's body (without type, lengths) in block_, byte order already settled.
bool PcapngReader::ReadBlock(uint32_t& type) {
  blockOffset_ = nextBlockOffset_;
  std::array<uint8_t, 12> head{};
  file_.read(reinterpret_cast<char*>(head.data()), 8);
  if (file_.gcount() == 0) return false;
  const auto fail = [this](const std::string& what) {
    throw WireError("pcapng block at file offset " + std::to_string(blockOffset_) + ": " + what);
  };
  if (file_.gcount() < 8) fail("the file ends inside the block header");
  type = WireReader::DecodeU32(head.data(), ByteOrder::BIG_ENDIAN_ORDER);
  if (type == kSectionHeaderBlock) {
    // The section's byte order comes from the magic right after the length.
    if (!file_.read(reinterpret_cast<char*>(head.data() + 8), 4)) {
      fail("the file ends inside the section header");
    }
    const uint32_t magic = WireReader::DecodeU32(head.data() + 8, ByteOrder::LITTLE_ENDIAN_ORDER);
    if (magic == kByteOrderMagic) {
      bigEndian_ = false;
    } else if (WireReader::DecodeU32(head.data() + 8, ByteOrder::BIG_ENDIAN_ORDER) ==
               kByteOrderMagic) {
      bigEndian_ = true;
    } else {
      fail("unknown byte-order magic");
    }
    inSection_ = true;
  } else if (!inSection_) {
    fail("the file does not start with a section header block");
  }
  const ByteOrder order = bigEndian_ ? ByteOrder::BIG_ENDIAN_ORDER : ByteOrder::LITTLE_ENDIAN_ORDER;
  type = WireReader::DecodeU32(head.data(), order);
  const uint32_t length = WireReader::DecodeU32(head.data() + 4, order);
  if (length < kBlockFraming || length % 4 != 0 || length > kMaxBlockLength) {
    fail("block length " + std::to_string(length) + " is not a multiple of 4 between 12 and " +
         std::to_string(kMaxBlockLength));
  }
  const uint32_t alreadyRead = type == kSectionHeaderBlock ? 4 : 0;
  if (alreadyRead + kBlockFraming > length) fail("block length " + std::to_string(length) + " is too short");
  nextBlockOffset_ += length;
  block_.resize(length - kBlockFraming);
  std::copy(head.begin() + 8, head.begin() + 8 + alreadyRead, block_.begin());
  std::array<uint8_t, 4> trailer{};
  if (!file_.read(reinterpret_cast<char*>(block_.data() + alreadyRead),
                  static_cast<std::streamsize>(block_.size() - alreadyRead)) ||
      !file_.read(reinterpret_cast<char*>(trailer.data()), trailer.size())) {
    fail("the file ends inside a block of " + std::to_string(length) + " bytes");
  }
  if (WireReader::DecodeU32(trailer.data(), order) != length) {
    fail("trailing block length differs from the leading " + std::to_string(length));
  }
  return true;
}

void PcapngReader::ReadSectionHeader(WireReader& body) {
  body.Skip(4);  // byte-order magic, already read
  const uint16_t major = body.ReadU16();
  if (major != kMajorVersion) body.Fail("pcapng major version " + std::to_string(major) + " is not 1");
  interfaces_.clear();
  ++section_;
}

void PcapngReader::ReadInterface(WireReader& body) {
  PcapngInterface interface;
  interface.linkType = body.ReadU16();
  body.Skip(2);
  interface.snapLength = body.ReadU32();
  while (body.Remaining() >= 4) {
    const uint16_t code = body.ReadU16();
    const uint16_t length = body.ReadU16();
    if (code == kOptionEnd) break;
    if (Padded(length) > body.Remaining()) {
      body.Fail("interface option " + std::to_string(code) + " of " + std::to_string(length) +
                " bytes runs past its block");
    }
    WireReader value = body.Cut(length);
    body.Skip(Padded(length) - length);
    if (code == kOptionTimestampResolution && length >= 1) {
      interface.ticksPerSecond = TicksPerSecond(value.ReadU8(), value);
    } else if (code == kOptionTimestampOffset && length >= 8) {
      const uint32_t first = value.ReadU32();
      const uint32_t second = value.ReadU32();
      const uint64_t offset = bigEndian_ ? (uint64_t{first} << 32 | second)
                                         : (uint64_t{second} << 32 | first);
      interface.offsetSeconds = static_cast<int64_t>(offset);
    }
  }
  interfaces_.push_back(interface);
}

const PcapngInterface& PcapngReader::Interface(uint32_t interfaceId) const {
  if (interfaceId >= interfaces_.size()) {
    throw WireError("the packet names interface " + std::to_string(interfaceId) +
                    ", the section has " + std::to_string(interfaces_.size()));
  }
  return interfaces_[interfaceId];
}

PcapngPacket PcapngReader::ReadEnhancedPacket(WireReader& body) {
  const uint32_t interfaceId = body.ReadU32();
  const uint32_t high = body.ReadU32();
  const uint32_t low = body.ReadU32();
  const uint32_t caplen = body.ReadU32();
  const uint32_t length = body.ReadU32();
  return MakePacket(interfaceId, uint64_t{high} << 32 | low, caplen, length, body);
}

// No timestamp, no captured length: what the block holds, up to the snap length.
PcapngPacket PcapngReader::ReadSimplePacket(WireReader& body) {
  const PcapngInterface& interface = Interface(0);
  const uint32_t length = body.ReadU32();
  uint64_t caplen = std::min<uint64_t>(length, body.Remaining());
  if (interface.snapLength != 0) caplen = std::min<uint64_t>(caplen, interface.snapLength);
  return MakePacket(0, 0, static_cast<uint32_t>(caplen), length, body);
}

PcapngPacket PcapngReader::ReadObsoletePacket(WireReader& body) {
  const uint32_t interfaceId = body.ReadU16();
  body.Skip(2);  // drops count
  const uint32_t high = body.ReadU32();
  const uint32_t low = body.ReadU32();
  const uint32_t caplen = body.ReadU32();
  const uint32_t length = body.ReadU32();
  return MakePacket(interfaceId, uint64_t{high} << 32 | low, caplen, length, body);
}

PcapngPacket PcapngReader::MakePacket(uint32_t interfaceId, uint64_t timestamp, uint32_t caplen,
                                      uint32_t length, WireReader& body) const {
  const PcapngInterface& interface = Interface(interfaceId);
  PcapngPacket packet;
  packet.interfaceId = interfaceId;
  packet.linkType = interface.linkType;
  packet.frame = body.Take(caplen);
  const uint64_t ticks = interface.ticksPerSecond;
  const int64_t seconds = static_cast<int64_t>(timestamp / ticks) + interface.offsetSeconds;
  // The remainder is below `ticks`; scaled in two steps so that 2^63 ticks per second cannot
  // overflow.
  const long double fraction = static_cast<long double>(timestamp % ticks) / ticks;
  packet.header.ts.tv_sec = static_cast<time_t>(seconds);
  packet.header.ts.tv_usec = static_cast<suseconds_t>(fraction * 1'000'000);
  packet.header.caplen = caplen;
  packet.header.len = length;
  return packet;
}

}  // namespace Quorvel::passive
