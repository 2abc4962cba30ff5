#include "passive/RTPSMessageHeader.h"

#include "common/Log.h"
#include "passive/HexText.h"
#include "passive/WireReader.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Quorvel::passive {

namespace {

struct VendorEntry {
  uint16_t id;
  std::string_view name;
};
constexpr std::array<VendorEntry, 2> kVendors{{
    {0x0101, "Real-Time Innovations, Inc. - Connext DDS"},
    {0x010A, "Real-Time Innovations, Inc. (RTI) - Connext DDS Micro"},
}};
constexpr std::string_view kUnknownVendor = "VENDOR_ID_UNKNOWN (0x0000)";
constexpr std::string_view kPingProbe = "NDDSPING";
constexpr size_t kMagicSize = 4;

}  // namespace

bool RTPSMessageHeader::Init(WireReader& message) {
  message.Require(kSize);
  message.Skip(kMagicSize);
  protocolVersionMajor = message.ReadU8();
  protocolVersionMinor = message.ReadU8();
  if (protocolVersionMajor < 2) {
    LogWarning("Received an RTPS packet of version < 2. Discarding packet...");
    return false;
  }
  vendorId = message.ReadU16(ByteOrder::BIG_ENDIAN_ORDER);
  DissectVendorID();
  const auto prefix = message.Take(guidPrefix.size());
  if (std::equal(kPingProbe.begin(), kPingProbe.end(), prefix.begin())) {
    LogInfo("Received an NDDSPING message. Discarding packet...");
    return false;
  }
  std::copy(prefix.begin(), prefix.end(), guidPrefix.begin());
  cursor = static_cast<uint16_t>(kSize);
  return true;
}

std::string RTPSMessageHeader::GuidPrefixText() const { return HexText(guidPrefix); }

void RTPSMessageHeader::DissectVendorID() {
  const auto known = std::find_if(kVendors.begin(), kVendors.end(),
                                  [this](const VendorEntry& e) { return e.id == vendorId; });
  if (known != kVendors.end()) {
    vendorName = known->name;
    return;
  }
  vendorName = kUnknownVendor;
  VELTRANE_LOG(WARNING, "Receieved an RTPS packet from an unknown RTPS vendor ID " +
                            HexNumber(vendorId, 4));
}

}  // namespace Quorvel::passive
