#pragma once

// IPv4 reassembly (RFC 791, section 3.2) for one capture stage. Datagrams are told apart by
// source, destination and identification, so interleaved senders do not spoil each other.
// What is pending is bounded: a count of datagrams, a total of bytes, a count of fragments per
// datagram and an age in capture time; past any bound the oldest incomplete datagram is freed
// with a warning. Overlapping fragments free their datagram (the bytes would be ambiguous);
// a duplicate fragment is dropped. Only the capture thread touches it, so it has no lock.

#include "passive/IPCompleteMessage.h"
#include "passive/IPFragment.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

struct ReassemblyLimits {
  size_t maxPendingDatagrams = 64;
  size_t maxPendingBytes = 8u << 20;
  // 8-byte fragment units make 8192 the most a 64 KiB datagram can have.
  size_t maxFragmentsPerDatagram = 8192;
  int64_t maxAgeSeconds = 30;
};

class IPFragmentsHandler {
 public:
  explicit IPFragmentsHandler(ReassemblyLimits limits = {},
                              std::shared_ptr<EngineCounters> counters = nullptr)
      : limits_(limits), counters_(std::move(counters)) {}

  // Files one fragment; when it completes its datagram, GetCompleteIPMessage hands it out.
  void AddFragment(std::shared_ptr<IPFragment> fragment);
  // The datagram completed by the last AddFragment, once; nothing otherwise.
  std::shared_ptr<IPCompleteMessage> GetCompleteIPMessage();
  // Frees everything pending.
  void Restart();
  // Gives up on every incomplete datagram, each with its warning and drop count: a recording
  // that ended cannot complete them any more.
  void DropIncomplete(const std::string& why);

  size_t PendingDatagrams() const { return pending_.size(); }
  size_t PendingBytes() const { return pendingBytes_; }

 private:
  using DatagramKey = std::tuple<std::string, std::string, uint16_t>;
  struct PendingDatagram {
    std::map<uint16_t, std::shared_ptr<IPFragment>> fragments;  // by fragment_offset
    size_t receivedBytes = 0;
    size_t totalLength = 0;  // known once the fragment without "more fragments" arrived
    bool lastReceived = false;
    uint64_t arrival = 0;    // order of creation, for freeing the oldest first
    int64_t firstSeenSeconds = 0;
  };
  using PendingMap = std::map<DatagramKey, PendingDatagram>;

  // Why a fragment cannot join its datagram, or empty when it fits.
  std::string Conflict(const PendingDatagram& datagram, const IPFragment& fragment) const;
  void FreeExpired(int64_t nowSeconds);
  void FreeOldest(const std::string& why);
  void Free(PendingMap::iterator it, const std::string& why);
  void Complete(PendingMap::iterator it);

  ReassemblyLimits limits_;
  // Counts every datagram given up on; may be null.
  std::shared_ptr<EngineCounters> counters_;
  PendingMap pending_;
  size_t pendingBytes_ = 0;
  uint64_t nextArrival_ = 0;
  std::shared_ptr<IPCompleteMessage> completed_;
};

}  // namespace Quorvel::passive
