#include "passive/DataFragReassembler.h"

#include "common/Log.h"
#include "passive/RTPSDataFragSubMessageHeader.h"

#include <algorithm>
#include <vector>

namespace Quorvel::passive {

namespace {

constexpr size_t kEncapsulationHeaderSize = 4;
// Aged samples are looked for at most this often (capture time), not on every fragment.
constexpr int64_t kAgeSweepIntervalUs = 100'000;

std::string SampleName(const WriterKey& writer, uint64_t sequence) {
  return "DATA_FRAG sample #" + std::to_string(sequence) + " from Writer GUID " +
         writer.GuidText();
}

std::string FragmentRange(const RTPSDataFragSubMessageHeader& header) {
  return "fragments " + std::to_string(header.fragmentStartingNum) + " to " +
         std::to_string(static_cast<uint64_t>(header.fragmentStartingNum) +
                        header.fragmentsInSubmessage - 1);
}

}  // namespace

DataFragReassembler::DataFragReassembler(FragmentLimits limits, DropCounter dropCounter)
    : limits_(limits), dropCounter_(std::move(dropCounter)) {}

DataFragReassembler::~DataFragReassembler() = default;

void DataFragReassembler::SetLimits(const FragmentLimits& limits) {
  std::lock_guard lock(mutex_);
  limits_ = limits;
}

void DataFragReassembler::SetDropCounter(DropCounter dropCounter) {
  std::lock_guard lock(mutex_);
  dropCounter_ = std::move(dropCounter);
}

size_t DataFragReassembler::PendingSamples() const {
  std::lock_guard lock(mutex_);
  size_t count = 0;
  for (const auto& [writer, state] : writers_) count += state.pending.size();
  return count;
}

size_t DataFragReassembler::PendingBytes() const {
  std::lock_guard lock(mutex_);
  return pendingBytes_;
}

void DataFragReassembler::Clear() {
  std::lock_guard lock(mutex_);
  for (auto& [writer, state] : writers_) {
    while (!state.pending.empty()) {
      GiveUp(state, writer, state.pending.begin()->first, DropReason::INCOMPLETE_FRAGMENTS,
             "reassembly was stopped");
    }
  }
  writers_.clear();
}

std::optional<ReassembledSample> DataFragReassembler::Add(
    const WriterKey& writer, const RTPSDataFragSubMessageHeader& header,
    std::span<const uint8_t> payload, int64_t captureTimeUs) {
  std::lock_guard lock(mutex_);
  EvictAged(captureTimeUs);
  WriterState& state = writers_[writer];
  const uint64_t sequence = header.writerSN.value;
  if (state.finished.count(sequence) != 0) {
    VELTRANE_LOG(TRACE, "Ignoring " + FragmentRange(header) + " of the finished " +
                            SampleName(writer, sequence));
    return std::nullopt;
  }
  if (sequence + limits_.maxSequenceLag < state.newestSequence) {
    VELTRANE_LOG(DEBUG, "Ignoring " + FragmentRange(header) + " of " +
                            SampleName(writer, sequence) + ": it lies more than " +
                            std::to_string(limits_.maxSequenceLag) +
                            " sequence numbers behind the writer's newest");
    return std::nullopt;
  }
  PendingSample* pending = FindOrStart(state, writer, header, captureTimeUs);
  if (pending == nullptr) return std::nullopt;

  const size_t first = static_cast<size_t>(header.fragmentStartingNum - 1) * header.fragmentSize;
  const size_t count = header.FragmentBytes();
  const auto bytes = payload.subspan(header.fragmentDataOffset, count);
  std::copy(bytes.begin(), bytes.end(), pending->bytes.begin() + static_cast<std::ptrdiff_t>(first));
  for (uint32_t index = header.fragmentStartingNum - 1;
       index < header.fragmentStartingNum - 1 + header.fragmentsInSubmessage; ++index) {
    if (!pending->received[index]) {
      pending->received[index] = true;
      ++pending->receivedCount;
    }
  }
  if (header.inlineQos && !pending->inlineQos) {
    pending->inlineQos = true;
    pending->qos = header.qos;
  }
  if (pending->receivedCount < pending->received.size()) return std::nullopt;

  ReassembledSample sample;
  sample.writer = writer;
  sample.header = header;
  sample.inlineQos = pending->inlineQos;
  sample.qos = pending->qos;
  sample.payload = std::move(pending->bytes);
  pendingBytes_ -= pending->sampleSize;
  state.pendingBytes -= pending->sampleSize;
  state.pending.erase(sequence);
  // Only a completed sample moves the writer on: a damaged fragment claiming a far-away
  // sequence number must not make every real sample look stale.
  if (sequence > state.newestSequence) {
    state.newestSequence = sequence;
    EvictLagging(state, writer);
  }
  Finish(state, sequence);
  VELTRANE_LOG(TRACE, "Reassembled " + SampleName(writer, sequence) + " of " +
                          std::to_string(sample.payload.size()) + " bytes");
  return sample;
}

DataFragReassembler::PendingSample* DataFragReassembler::FindOrStart(
    WriterState& state, const WriterKey& writer, const RTPSDataFragSubMessageHeader& header,
    int64_t captureTimeUs) {
  const uint64_t sequence = header.writerSN.value;
  const auto found = state.pending.find(sequence);
  PendingSample* pending = found == state.pending.end() ? nullptr : &found->second;
  const std::string why = Inconsistency(header, pending);
  if (!why.empty()) {
    GiveUp(state, writer, sequence, DropReason::MALFORMED_INPUT, why);
    return nullptr;
  }
  if (pending != nullptr) return pending;

  const size_t size = header.sampleSize;
  if (size > limits_.maxPendingBytesPerWriter || size > limits_.maxPendingBytesTotal) {
    GiveUp(state, writer, sequence, DropReason::INCOMPLETE_FRAGMENTS,
           "its sampleSize " + std::to_string(size) + " exceeds the pending-bytes cap");
    return nullptr;
  }
  MakeRoom(state, writer, size);
  PendingSample& started = state.pending[sequence];
  started.sampleSize = header.sampleSize;
  started.fragmentSize = header.fragmentSize;
  started.keyPresent = header.keyPresent;
  started.bytes.resize(size);
  started.received.assign(header.TotalFragments(), false);
  started.firstCaptureUs = captureTimeUs;
  started.arrival = arrivals_++;
  state.pendingBytes += size;
  pendingBytes_ += size;
  return &started;
}

std::string DataFragReassembler::Inconsistency(const RTPSDataFragSubMessageHeader& header,
                                               const PendingSample* pending) {
  if (header.fragmentSize == 0) return "fragmentSize is 0";
  if (header.sampleSize < kEncapsulationHeaderSize) {
    return "sampleSize " + std::to_string(header.sampleSize) +
           " cannot hold an encapsulation header";
  }
  if (header.fragmentStartingNum == 0) return "fragmentStartingNum is 0";
  if (header.fragmentsInSubmessage == 0) return "the sub-message carries no fragment";
  const uint64_t last =
      static_cast<uint64_t>(header.fragmentStartingNum) + header.fragmentsInSubmessage - 1;
  if (last > header.TotalFragments()) {
    return FragmentRange(header) + " run past the " + std::to_string(header.TotalFragments()) +
           " fragments of sampleSize " + std::to_string(header.sampleSize);
  }
  if (header.FragmentBytes() > header.fragmentDataAvailable) {
    return FragmentRange(header) + " need " + std::to_string(header.FragmentBytes()) +
           " bytes, the sub-message holds " + std::to_string(header.fragmentDataAvailable);
  }
  if (pending == nullptr) return {};
  if (pending->sampleSize != header.sampleSize) {
    return "sampleSize changed from " + std::to_string(pending->sampleSize) + " to " +
           std::to_string(header.sampleSize);
  }
  if (pending->fragmentSize != header.fragmentSize) {
    return "fragmentSize changed from " + std::to_string(pending->fragmentSize) + " to " +
           std::to_string(header.fragmentSize);
  }
  if (pending->keyPresent != header.keyPresent) return "the key flag changed";
  return {};
}

void DataFragReassembler::MakeRoom(WriterState& state, const WriterKey& writer, size_t bytes) {
  while (!state.pending.empty() && state.pendingBytes + bytes > limits_.maxPendingBytesPerWriter) {
    GiveUp(state, writer, state.pending.begin()->first, DropReason::INCOMPLETE_FRAGMENTS,
           "the writer's pending fragments reached the cap of " +
               std::to_string(limits_.maxPendingBytesPerWriter) + " bytes");
  }
  while (pendingBytes_ + bytes > limits_.maxPendingBytesTotal) {
    WriterState* oldestState = nullptr;
    const WriterKey* oldestWriter = nullptr;
    uint64_t oldestSequence = 0;
    uint64_t oldestArrival = UINT64_MAX;
    for (auto& [key, other] : writers_) {
      for (const auto& [sequence, sample] : other.pending) {
        if (sample.arrival < oldestArrival) {
          oldestArrival = sample.arrival;
          oldestState = &other;
          oldestWriter = &key;
          oldestSequence = sequence;
        }
      }
    }
    if (oldestState == nullptr) return;
    GiveUp(*oldestState, *oldestWriter, oldestSequence, DropReason::INCOMPLETE_FRAGMENTS,
           "pending fragments of all writers reached the cap of " +
               std::to_string(limits_.maxPendingBytesTotal) + " bytes");
  }
}

void DataFragReassembler::EvictLagging(WriterState& state, const WriterKey& writer) {
  while (!state.pending.empty() &&
         state.pending.begin()->first + limits_.maxSequenceLag < state.newestSequence) {
    GiveUp(state, writer, state.pending.begin()->first, DropReason::INCOMPLETE_FRAGMENTS,
           "the writer is at #" + std::to_string(state.newestSequence) + ", more than " +
               std::to_string(limits_.maxSequenceLag) + " sequence numbers ahead");
  }
}

void DataFragReassembler::EvictAged(int64_t captureTimeUs) {
  if (captureTimeUs - lastAgeSweepUs_ < kAgeSweepIntervalUs) return;
  lastAgeSweepUs_ = captureTimeUs;
  const int64_t maxAge = limits_.maxAge.count();
  for (auto& [writer, state] : writers_) {
    std::vector<uint64_t> aged;
    for (const auto& [sequence, sample] : state.pending) {
      if (captureTimeUs - sample.firstCaptureUs > maxAge) aged.push_back(sequence);
    }
    for (const uint64_t sequence : aged) {
      GiveUp(state, writer, sequence, DropReason::INCOMPLETE_FRAGMENTS,
             "no fragment completed it within " + std::to_string(maxAge / 1000) +
                 " ms of capture time");
    }
  }
}

void DataFragReassembler::GiveUp(WriterState& state, const WriterKey& writer, uint64_t sequence,
                                 DropReason reason, const std::string& why) {
  std::string held;
  const auto found = state.pending.find(sequence);
  if (found != state.pending.end()) {
    const PendingSample& sample = found->second;
    held = " (" + std::to_string(sample.receivedCount) + " of " +
           std::to_string(sample.received.size()) + " fragments)";
    pendingBytes_ -= sample.sampleSize;
    state.pendingBytes -= sample.sampleSize;
    state.pending.erase(found);
  }
  const std::string verb =
      reason == DropReason::INCOMPLETE_FRAGMENTS ? "Evicting incomplete " : "Dropping ";
  LogWarning(verb + SampleName(writer, sequence) + held + ": " + why);
  if (dropCounter_) dropCounter_(reason, 1);
  Finish(state, sequence);
}

void DataFragReassembler::Finish(WriterState& state, uint64_t sequence) {
  state.finished.insert(sequence);
  if (state.newestSequence > limits_.maxSequenceLag) {
    const uint64_t oldest = state.newestSequence - limits_.maxSequenceLag;
    state.finished.erase(state.finished.begin(), state.finished.lower_bound(oldest));
  }
}

}  // namespace Quorvel::passive
