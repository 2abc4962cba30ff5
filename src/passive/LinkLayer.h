#pragma once

// The link stage: where the IPv4 header starts in a frame of a given link type. Supported are
// Ethernet II with any number of 802.1Q / 802.1ad tags, Linux cooked capture v1 and v2 (what
// `-i any` records), BSD loopback (NULL and LOOP) and raw IP.

#include <cstddef>
#include <optional>
#include <string>

namespace Quorvel::passive {

class WireReader;

enum class LinkType { ETHERNET, LINUX_SLL, LINUX_SLL2, BSD_LOOPBACK, RAW_IP };

class LinkLayer {
 public:
  // The link type of a libpcap datalink value (DLT_ or LINKTYPE_ number), or nothing when
  // the engine cannot read that link.
  static std::optional<LinkType> FromDatalink(int datalink);

  explicit LinkLayer(LinkType type) : type_(type) {}
  LinkType Type() const { return type_; }

  // Offset of the IPv4 header in `frame`, or nothing when the frame carries something else
  // (`whyNot` then says what). Throws WireError when the frame is too short for its link header.
  std::optional<size_t> IPv4Offset(const WireReader& frame, std::string& whyNot) const;

 private:
  LinkType type_;
};

}  // namespace Quorvel::passive
