#pragma once

// The small identifiers of RTPS headers: entity ids, sequence numbers and the writer key that
// every passive look-up uses (DDSI-RTPS 2.5, 9.3.1 and 9.4.2).

#include <array>
#include <compare>
#include <cstdint>
#include <span>
#include <string>

namespace Quorvel::passive {

class WireReader;

struct EntityId {
  static constexpr uint8_t kUserWriterWithKey = 0x02;
  static constexpr uint8_t kUserWriterNoKey = 0x03;
  static constexpr uint32_t kParticipantWriter = 0x000100C2;
  static constexpr uint32_t kPublicationsWriter = 0x000003C2;
  static constexpr uint32_t kSubscriptionsWriter = 0x000004C2;

  uint32_t value = 0;  // the four wire bytes read big-endian
  uint8_t kind = 0;    // the last byte

  bool IsUserWriter() const { return kind == kUserWriterWithKey || kind == kUserWriterNoKey; }
  // Eight lower-case hexadecimal digits; made when asked, since every DATA has two ids and
  // only messages name them.
  std::string Text() const;
  // Entity ids are byte arrays: big-endian whatever the sub-message order.
  static EntityId Read(WireReader& reader);
};

struct SequenceNumber {
  int32_t high = 0;
  uint32_t low = 0;
  uint64_t value = 0;  // high * 2^32 + low

  // Two 32-bit halves, high first, in the reader's byte order.
  static SequenceNumber Read(WireReader& reader);
};

using GuidPrefix = std::array<uint8_t, 12>;

// Four words: the GUID prefix as three 32-bit words read little-endian off the wire bytes, then
// the entity id read big-endian. Ordered, so it can key the registry's maps.
struct WriterKey {
  std::array<uint32_t, 4> words{};

  auto operator<=>(const WriterKey&) const = default;

  static WriterKey From(const GuidPrefix& prefix, uint32_t entityId);
  // The 16 bytes of a GUID (prefix then entity id) as they lie on the wire.
  static WriterKey FromGuidBytes(std::span<const uint8_t, 16> guid);
  // The 16 bytes of the GUID as they lie on the wire.
  std::array<uint8_t, 16> GuidBytes() const;
  // "0x" and the 32 hexadecimal digits of the GUID's wire bytes.
  std::string GuidText() const;
};

}  // namespace Quorvel::passive
