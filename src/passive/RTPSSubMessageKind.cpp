#include "passive/RTPSSubMessageKind.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Quorvel::passive {

namespace {

struct SubMessageName {
  uint8_t id;
  std::string_view name;
};
constexpr std::array<SubMessageName, 32> kSubMessageNames{{
    {0x01, "SUBMESSAGE_PAD"},
    {0x02, "SUBMESSAGE_DATA"},
    {0x03, "SUBMESSAGE_NOKEY_DATA"},
    {0x06, "SUBMESSAGE_ACKNACK"},
    {0x07, "SUBMESSAGE_HEARTBEAT"},
    {0x08, "SUBMESSAGE_GAP"},
    {0x09, "SUBMESSAGE_INFO_TS"},
    {0x0C, "SUBMESSAGE_INFO_SRC"},
    {0x0D, "SUBMESSAGE_INFO_REPLY_IP4"},
    {0x0E, "SUBMESSAGE_INFO_DST"},
    {0x0F, "SUBMESSAGE_INFO_REPLY"},
    {0x10, "SUBMESSAGE_DATA_FRAG"},
    {0x11, "SUBMESSAGE_NOKEY_DATA_FRAG"},
    {0x12, "SUBMESSAGE_NACK_FRAG"},
    {0x13, "SUBMESSAGE_HEARTBEAT_FRAG"},
    {0x14, "SUBMESSAGE_RTPS_DATA_SESSION"},
    {0x15, "SUBMESSAGE_RTPS_DATA"},
    {0x16, "SUBMESSAGE_RTPS_DATA_FRAG"},
    {0x17, "SUBMESSAGE_ACKNACK_BATCH"},
    {0x18, "SUBMESSAGE_RTPS_DATA_BATCH"},
    {0x19, "SUBMESSAGE_HEARTBEAT_BATCH"},
    {0x1A, "SUBMESSAGE_ACKNACK_SESSION"},
    {0x1B, "SUBMESSAGE_HEARTBEAT_SESSION"},
    {0x1C, "SUBMESSAGE_APP_ACK"},
    {0x1D, "SUBMESSAGE_APP_ACK_CONF"},
    {0x1E, "SUBMESSAGE_HEARTBEAT_VIRTUAL"},
    {0x30, "SUBMESSAGE_SEC_BODY"},
    {0x31, "SUBMESSAGE_SEC_PREFIX"},
    {0x32, "SUBMESSAGE_SEC_POSTFIX"},
    {0x33, "SUBMESSAGE_SRTPS_PREFIX"},
    {0x34, "SUBMESSAGE_SRTPS_POSTFIX"},
    {0x80, "SUBMESSAGE_RTI_CRC"},
}};

}  // namespace

std::string RTPSSubMessageTypeToName(uint8_t id) {
  const auto it = std::find_if(kSubMessageNames.begin(), kSubMessageNames.end(),
                               [id](const SubMessageName& entry) { return entry.id == id; });
  return it == kSubMessageNames.end() ? std::string() : std::string(it->name);
}

}  // namespace Quorvel::passive
