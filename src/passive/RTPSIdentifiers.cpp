#include "passive/RTPSIdentifiers.h"

#include "passive/HexText.h"
#include "passive/WireReader.h"

#include <algorithm>

namespace Quorvel::passive {

EntityId EntityId::Read(WireReader& reader) {
  EntityId id;
  const auto bytes = reader.Take(4);
  id.value = WireReader::DecodeU32(bytes.data(), ByteOrder::BIG_ENDIAN_ORDER);
  id.kind = bytes[3];
  return id;
}

std::string EntityId::Text() const {
  const std::array<uint8_t, 4> bytes{static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                                     static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  return HexText(bytes);
}

SequenceNumber SequenceNumber::Read(WireReader& reader) {
  SequenceNumber number;
  number.high = static_cast<int32_t>(reader.ReadU32());
  number.low = reader.ReadU32();
  number.value = (static_cast<uint64_t>(static_cast<uint32_t>(number.high)) << 32) | number.low;
  return number;
}

WriterKey WriterKey::From(const GuidPrefix& prefix, uint32_t entityId) {
  WriterKey key;
  for (size_t i = 0; i < 3; ++i) {
    key.words[i] = WireReader::DecodeU32(prefix.data() + 4 * i, ByteOrder::LITTLE_ENDIAN_ORDER);
  }
  key.words[3] = entityId;
  return key;
}

WriterKey WriterKey::FromGuidBytes(std::span<const uint8_t, 16> guid) {
  GuidPrefix prefix;
  std::copy(guid.begin(), guid.begin() + 12, prefix.begin());
  return From(prefix, WireReader::DecodeU32(guid.data() + 12, ByteOrder::BIG_ENDIAN_ORDER));
}

std::array<uint8_t, 16> WriterKey::GuidBytes() const {
  std::array<uint8_t, 16> bytes{};
  for (size_t i = 0; i < 3; ++i) {
    for (size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(words[i] >> (8 * b));
  }
  for (size_t b = 0; b < 4; ++b) bytes[12 + b] = static_cast<uint8_t>(words[3] >> (24 - 8 * b));
  return bytes;
}

std::string WriterKey::GuidText() const { return "0x" + HexText(GuidBytes()); }

}  // namespace Quorvel::passive
