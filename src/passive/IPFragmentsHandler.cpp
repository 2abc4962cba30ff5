#include "passive/IPFragmentsHandler.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"

#include <algorithm>

namespace Quorvel::passive {

namespace {

// The most IP payload a datagram can hold: the largest total length minus the smallest header.
constexpr size_t kMaxIPPayload = IPHeader::kMaxDatagramSize - 20;

std::string Describe(const IPHeader& header) {
  return "ID " + std::to_string(header.identification) + " from IP " + header.src_ip;
}

}  // namespace

void IPFragmentsHandler::AddFragment(std::shared_ptr<IPFragment> fragment) {
  completed_.reset();
  const IPHeader& header = *fragment->ipHeader;
  FreeExpired(fragment->packetHeader->ts.tv_sec);

  const size_t end = size_t{header.fragment_offset} + fragment->payload.size();
  if (end > kMaxIPPayload) {
    LogWarning("received an IP fragment with " + Describe(header) + " ending at byte " +
               std::to_string(end) + ", past the largest IPv4 datagram. Discarding the fragment");
    return;
  }

  const DatagramKey key{header.src_ip, header.dst_ip, header.identification};
  auto it = pending_.find(key);
  if (it == pending_.end()) {
    while (pending_.size() >= limits_.maxPendingDatagrams) {
      FreeOldest(std::to_string(pending_.size()) + " incomplete datagrams are pending");
    }
    PendingDatagram fresh;
    fresh.arrival = nextArrival_++;
    fresh.firstSeenSeconds = fragment->packetHeader->ts.tv_sec;
    it = pending_.emplace(key, std::move(fresh)).first;
  }
  PendingDatagram& datagram = it->second;

  if (datagram.fragments.count(header.fragment_offset) != 0) {
    LogWarning("received a duplicate IP fragment with ID " +
               std::to_string(header.identification) +
               ". Verify proper Tap / PortMirror configuration");
    return;
  }
  if (const std::string conflict = Conflict(datagram, *fragment); !conflict.empty()) {
    Free(it, conflict);
    return;
  }
  if (datagram.fragments.size() >= limits_.maxFragmentsPerDatagram) {
    Free(it, "more than " + std::to_string(limits_.maxFragmentsPerDatagram) + " fragments");
    return;
  }

  if (header.more_fragments_flag == 0) {
    datagram.lastReceived = true;
    datagram.totalLength = end;
  }
  datagram.receivedBytes += fragment->payload.size();
  pendingBytes_ += fragment->payload.size();
  datagram.fragments.emplace(header.fragment_offset, std::move(fragment));

  if (datagram.lastReceived && datagram.receivedBytes == datagram.totalLength) {
    // No overlaps and every byte below the end accounted for: the pieces tile the datagram.
    Complete(it);
    return;
  }
  while (pendingBytes_ > limits_.maxPendingBytes && !pending_.empty()) {
    FreeOldest(std::to_string(pendingBytes_) + " bytes of fragments are pending");
  }
}

std::shared_ptr<IPCompleteMessage> IPFragmentsHandler::GetCompleteIPMessage() {
  return std::move(completed_);
}

void IPFragmentsHandler::DropIncomplete(const std::string& why) {
  while (!pending_.empty()) Free(pending_.begin(), why);
}

void IPFragmentsHandler::Restart() {
  pending_.clear();
  pendingBytes_ = 0;
  completed_.reset();
}

std::string IPFragmentsHandler::Conflict(const PendingDatagram& datagram,
                                         const IPFragment& fragment) const {
  const uint16_t offset = fragment.ipHeader->fragment_offset;
  const size_t end = size_t{offset} + fragment.payload.size();
  const bool last = fragment.ipHeader->more_fragments_flag == 0;
  if (datagram.lastReceived && (last || end > datagram.totalLength)) {
    return "a fragment lies past the datagram's last fragment";
  }
  if (last && !datagram.fragments.empty()) {
    const auto& [highOffset, highFragment] = *datagram.fragments.rbegin();
    if (highOffset + highFragment->payload.size() > end) {
      return "a fragment lies past the datagram's last fragment";
    }
  }
  const auto next = datagram.fragments.upper_bound(offset);
  if (next != datagram.fragments.end() && next->first < end) return "overlapping fragments";
  if (next != datagram.fragments.begin()) {
    const auto& [prevOffset, prevFragment] = *std::prev(next);
    if (prevOffset + prevFragment->payload.size() > offset) return "overlapping fragments";
  }
  return {};
}

void IPFragmentsHandler::FreeExpired(int64_t nowSeconds) {
  for (auto it = pending_.begin(); it != pending_.end();) {
    const auto current = it++;
    if (nowSeconds - current->second.firstSeenSeconds > limits_.maxAgeSeconds) {
      Free(current, "no fragment completed it within " +
                        std::to_string(limits_.maxAgeSeconds) + " s");
    }
  }
}

void IPFragmentsHandler::FreeOldest(const std::string& why) {
  const auto oldest = std::min_element(pending_.begin(), pending_.end(),
                                       [](const auto& a, const auto& b) {
                                         return a.second.arrival < b.second.arrival;
                                       });
  Free(oldest, why);
}

void IPFragmentsHandler::Free(PendingMap::iterator it, const std::string& why) {
  const auto& [src, dst, id] = it->first;
  LogWarning("Cannot construct IP fragments under ID" + std::to_string(id) + " from IP " + src +
             ": " + why + ". Discarding its fragments. Verify proper Tap / PortMirror "
             "configuration");
  pendingBytes_ -= it->second.receivedBytes;
  pending_.erase(it);
  if (counters_) counters_->Dropped(DropReason::INCOMPLETE_FRAGMENTS);
}

void IPFragmentsHandler::Complete(PendingMap::iterator it) {
  PendingDatagram& datagram = it->second;
  const IPFragment& first = *datagram.fragments.begin()->second;
  auto message = std::make_shared<IPCompleteMessage>();
  message->packetHeader = first.packetHeader;
  message->ipHeader = first.ipHeader;
  message->payload.reserve(datagram.totalLength);
  for (const auto& [offset, fragment] : datagram.fragments) {
    message->payload.insert(message->payload.end(), fragment->payload.begin(),
                            fragment->payload.end());
  }
  pendingBytes_ -= datagram.receivedBytes;
  pending_.erase(it);
  completed_ = std::move(message);
}

}  // namespace Quorvel::passive
