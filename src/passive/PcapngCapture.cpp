#include "passive/PcapngCapture.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"

namespace Quorvel::passive {

PcapngCapture::PcapngCapture(const std::string& path, std::shared_ptr<EngineCounters> counters)
    : path_(path), reader_(path), counters_(std::move(counters)) {}

std::optional<PcapngCapture::Frame> PcapngCapture::Next() {
  std::optional<PcapngPacket> packet = reader_.Next();
  if (!packet) return std::nullopt;
  FollowInterfaces();
  return Frame{packet->header, packet->frame, decoders_[packet->interfaceId].get()};
}

// Interfaces are announced before their packets; a new section starts a new set.
void PcapngCapture::FollowInterfaces() {
  if (reader_.Section() != section_) {
    section_ = reader_.Section();
    decoders_.clear();
  }
  const std::vector<PcapngInterface>& interfaces = reader_.Interfaces();
  while (decoders_.size() < interfaces.size()) {
    const size_t id = decoders_.size();
    const auto linkType = LinkLayer::FromDatalink(interfaces[id].linkType);
    if (!linkType) {
      LogWarning("Interface " + std::to_string(id) + " of " + path_ + " has link type " +
                 std::to_string(interfaces[id].linkType) +
                 ", which the engine cannot read: its packets are dropped");
      decoders_.push_back(nullptr);
      continue;
    }
    decoders_.push_back(std::make_unique<PacketDecoder>(*linkType, ReassemblyLimits{}, counters_));
  }
}

void PcapngCapture::DropIncompleteFragments(const std::string& why) {
  for (const auto& decoder : decoders_) {
    if (decoder) decoder->DropIncompleteFragments(why);
  }
}

}  // namespace Quorvel::passive
