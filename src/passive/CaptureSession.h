#pragma once

// What one opened capture source owns: the pcap handle, the per-frame stages and the queue the
// RTPS messages go to. Shared between the stage object and the thread or pool task running the
// capture loop, so the handle is closed by whichever lets go last, never under a running loop.

#include "passive/MessageQueueManager.h"
#include "passive/PacketDecoder.h"
#include "passive/RTPSMessage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct pcap;

namespace Quorvel {
class EngineCounters;
}

namespace Quorvel::passive {

class PcapngCapture;

// Closes the handle, then frees the stream buffer a recording was read through (if any).
struct PcapCloser {
  void operator()(pcap* handle) const;
  std::unique_ptr<char[]> readBuffer;
};
using PcapHandle = std::unique_ptr<pcap, PcapCloser>;

struct CaptureSession {
  // `counters` (may be null) count frames read and frames dropped.
  CaptureSession(PcapHandle handle, LinkType linkType, bool live, std::string source,
                 std::shared_ptr<MessageQueueManager<RTPSMessage>> queue,
                 std::shared_ptr<EngineCounters> counters = nullptr)
      : handle(std::move(handle)), decoder(linkType, {}, counters), live(live),
        source(std::move(source)), queue(std::move(queue)), counters(std::move(counters)) {}

  // A pcapng recording: each packet is decoded by the decoder of its interface.
  CaptureSession(std::unique_ptr<PcapngCapture> pcapng, std::string source,
                 std::shared_ptr<MessageQueueManager<RTPSMessage>> queue,
                 std::shared_ptr<EngineCounters> counters = nullptr);
  ~CaptureSession();

  // Reads frames until the source ends, a read fails or `running` is cleared.
  void CaptureLoop();

  PcapHandle handle;
  PacketDecoder decoder;
  std::unique_ptr<PcapngCapture> pcapng;  // instead of `handle` and `decoder` for pcapng
  const bool live;
  const std::string source;
  std::shared_ptr<MessageQueueManager<RTPSMessage>> queue;
  std::shared_ptr<EngineCounters> counters;
  std::atomic<bool> running{true};
  std::atomic<bool> finished{false};
  std::atomic<uint64_t> framesRead{0};
  std::atomic<uint64_t> messagesEnqueued{0};

 private:
  void ReadPcap();
  void ReadPcapng();
  // Counts the frame and hands it to `decoder` (null: a link type nobody can read).
  void Deliver(PacketHeader& header, std::span<const uint8_t> frame, PacketDecoder* decoder);
  // Live only: waits up to a millisecond for the capture descriptor to become readable.
  void WaitForTraffic();
  // Live only: adds what libpcap and the interface dropped since the last call to the counters.
  void CountDriverDrops();
  // A recording waits while the pipeline is full; a live capture never blocks libpcap and
  // drops the message instead (counted). False when the message is not to be enqueued.
  bool MakeRoom();

  uint32_t driverDropsSeen_ = 0;
  uint32_t interfaceDropsSeen_ = 0;
};

}  // namespace Quorvel::passive
