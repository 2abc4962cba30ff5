#pragma once

// Joins DATA_FRAG fragments into whole samples, per (writer GUID, sequence number). Fragments
// may come in any order, spread over messages and datagrams, duplicated or overlapping (the
// bytes of a fragment number are the same whichever sub-message brings them). Memory is
// bounded by FragmentLimits; a sample given up is logged at warning and counted as
// INCOMPLETE_FRAGMENTS, a sample whose fragments contradict each other (sampleSize or
// fragmentSize changing, fragments past the end, fragmentSize 0, too few bytes) as
// MALFORMED_INPUT. Either way the rest of that sample's fragments are ignored afterwards.
//
// Threads: the RTPS processor's runs call Add concurrently from the pool; one mutex guards all
// state. A fragment's bytes are copied under it, once, into the sample's buffer.

#include "engine/core/EngineCounters.h"
#include "passive/FragmentLimits.h"
#include "passive/ReassembledSample.h"
#include "passive/RTPSIdentifiers.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace Quorvel::passive {

struct RTPSDataFragSubMessageHeader;

class DataFragReassembler {
 public:
  // Receives every sample given up; empty means nobody counts.
  using DropCounter = std::function<void(DropReason reason, uint64_t count)>;

  explicit DataFragReassembler(FragmentLimits limits = {}, DropCounter dropCounter = {});
  ~DataFragReassembler();

  // Adds the fragments of one DATA_FRAG sub-message. `subMessage` is the reader's whole span
  // (offsets in `header` are absolute in it); `captureTimeUs` is when the frame was captured.
  // Returns the sample when this sub-message completed it.
  std::optional<ReassembledSample> Add(const WriterKey& writer,
                                       const RTPSDataFragSubMessageHeader& header,
                                       std::span<const uint8_t> payload, int64_t captureTimeUs);

  void SetLimits(const FragmentLimits& limits);
  void SetDropCounter(DropCounter dropCounter);
  // Gives up every pending sample (counted) and forgets every writer.
  void Clear();

  size_t PendingSamples() const;
  size_t PendingBytes() const;

 private:
  struct PendingSample {
    uint32_t sampleSize = 0;
    uint16_t fragmentSize = 0;
    bool keyPresent = false;
    std::vector<uint8_t> bytes;      // sampleSize long from the first fragment on
    std::vector<bool> received;      // per fragment number - 1
    uint32_t receivedCount = 0;
    bool inlineQos = false;
    InlineQos qos;
    int64_t firstCaptureUs = 0;
    uint64_t arrival = 0;            // order of first fragments over all writers
  };
  struct WriterState {
    std::map<uint64_t, PendingSample> pending;  // by sequence number
    size_t pendingBytes = 0;
    uint64_t newestSequence = 0;  // of the newest completed sample
    std::set<uint64_t> finished;  // completed or given up, within the sequence lag
  };

  PendingSample* FindOrStart(WriterState& state, const WriterKey& writer,
                             const RTPSDataFragSubMessageHeader& header, int64_t captureTimeUs);
  // Why the fragments of `header` do not fit `pending` (or the sample at all); empty if they do.
  static std::string Inconsistency(const RTPSDataFragSubMessageHeader& header,
                                   const PendingSample* pending);
  void MakeRoom(WriterState& state, const WriterKey& writer, size_t bytes);
  void EvictLagging(WriterState& state, const WriterKey& writer);
  void EvictAged(int64_t captureTimeUs);
  void GiveUp(WriterState& state, const WriterKey& writer, uint64_t sequence, DropReason reason,
              const std::string& why);
  void Finish(WriterState& state, uint64_t sequence);

  mutable std::mutex mutex_;
  FragmentLimits limits_;
  DropCounter dropCounter_;
  std::map<WriterKey, WriterState> writers_;
  size_t pendingBytes_ = 0;
  uint64_t arrivals_ = 0;
  int64_t lastAgeSweepUs_ = 0;
};

}  // namespace Quorvel::passive
