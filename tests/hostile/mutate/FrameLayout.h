#pragma once

// Where the layers of one captured frame start: the IPv4 header, the UDP header and the RTPS
// sub-messages, found independently of the engine's own decoder so that the mutations can aim
// at a layer (a sub-message length, a fragment) rather than at random bytes only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace Quorvel::Hostile {

struct SubMessageAt {
  std::size_t offset = 0;  // of the 4-byte sub-message header within the frame
  std::uint8_t id = 0;
  bool littleEndian = false;
};

struct FrameLayout {
  std::optional<std::size_t> ipOffset;
  bool ipFragment = false;  // more-fragments set or a non-zero fragment offset
  std::optional<std::size_t> rtpsOffset;  // the "RTPS" magic, in unfragmented datagrams only
  std::vector<SubMessageAt> subMessages;

  static FrameLayout Of(int linkType, std::span<const std::uint8_t> frame);
  bool Carries(std::uint8_t subMessageId) const;
};

// RTPS sub-message id of DATA_FRAG (DDSI-RTPS 2.5, 9.4.5.1.1).
inline constexpr std::uint8_t kDataFragId = 0x16;

}  // namespace Quorvel::Hostile
