#include "passive/CaptureSession.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"
#include "passive/PcapngCapture.h"
#include "passive/WireError.h"

#include <pcap/pcap.h>
#include <poll.h>

namespace Quorvel::passive {

namespace {
constexpr int kLiveWaitMilliseconds = 1;
// A live capture reads libpcap's drop counters after this many frames, and whenever idle.
constexpr uint64_t kDriverStatisticsInterval = 4096;
}

void PcapCloser::operator()(pcap* handle) const { pcap_close(handle); }

CaptureSession::CaptureSession(std::unique_ptr<PcapngCapture> pcapng, std::string source,
                               std::shared_ptr<MessageQueueManager<RTPSMessage>> queue,
                               std::shared_ptr<EngineCounters> counters)
    : decoder(LinkType::ETHERNET), pcapng(std::move(pcapng)), live(false),
      source(std::move(source)), queue(std::move(queue)), counters(std::move(counters)) {}

CaptureSession::~CaptureSession() = default;

void CaptureSession::CaptureLoop() {
  if (pcapng) {
    ReadPcapng();
  } else {
    ReadPcap();
  }
  if (!live) {
    // Fragments still waiting for their missing pieces are lost with the recording's end.
    const std::string why = "the recording ended before all its fragments arrived";
    if (pcapng) {
      pcapng->DropIncompleteFragments(why);
    } else {
      decoder.DropIncompleteFragments(why);
    }
  }
  finished.store(true);
  LogTrace("Exiting Operation");
}

void CaptureSession::ReadPcap() {
  while (running.load()) {
    pcap_pkthdr* record = nullptr;
    const u_char* frame = nullptr;
    const int result = pcap_next_ex(handle.get(), &record, &frame);
    if (result == 0) {
      if (live) {
        CountDriverDrops();
        WaitForTraffic();
      }
      continue;
    }
    if (result == PCAP_ERROR) {
      LogError(std::string("Error reading the packets ") + pcap_geterr(handle.get()));
      break;
    }
    if (result == PCAP_ERROR_BREAK) {
      LogInfo("EOF was reached reading from an offline capture " + source);
      break;
    }
    PacketHeader header;
    header.ts = record->ts;
    header.caplen = record->caplen;
    header.len = record->len;
    Deliver(header, {frame, record->caplen}, &decoder);
    if (live && framesRead.load(std::memory_order_relaxed) % kDriverStatisticsInterval == 0) {
      CountDriverDrops();
    }
  }
  if (live) CountDriverDrops();
}

void CaptureSession::ReadPcapng() {
  while (running.load()) {
    std::optional<PcapngCapture::Frame> frame;
    try {
      frame = pcapng->Next();
    } catch (const WireError& error) {
      LogError(std::string("Error reading the packets ") + error.what());
      break;
    }
    if (!frame) {
      LogInfo("EOF was reached reading from an offline capture " + source);
      break;
    }
    Deliver(frame->header, frame->bytes, frame->decoder);
  }
}

void CaptureSession::Deliver(PacketHeader& header, std::span<const uint8_t> frame,
                             PacketDecoder* frameDecoder) {
  header.arrival_time = std::chrono::system_clock::now();
  framesRead.fetch_add(1, std::memory_order_relaxed);
  if (counters) counters->FrameRead();
  if (frameDecoder == nullptr) {
    LogDebug("Discarding a frame of a link type the engine cannot read");
    if (counters) counters->Dropped(DropReason::NON_RTPS);
    return;
  }
  if (auto message = frameDecoder->Decode(header, frame)) {
    if (!MakeRoom()) return;
    messagesEnqueued.fetch_add(1, std::memory_order_relaxed);
    queue->Enqueue(std::move(message));
  }
}

bool CaptureSession::MakeRoom() {
  const auto& gauge = queue->Gauge();
  if (!gauge) return true;
  if (!live) {
    gauge->WaitForRoom(running);
    return running.load();
  }
  if (!gauge->OverLimit()) return true;
  if (counters) counters->Dropped(DropReason::CAPTURE_OVERFLOW);
  return false;
}

// libpcap's counters are cumulative 32-bit values since the handle was opened (they wrap).
void CaptureSession::CountDriverDrops() {
  pcap_stat statistics{};
  if (!handle || pcap_stats(handle.get(), &statistics) != 0) return;
  const uint32_t dropped = statistics.ps_drop - driverDropsSeen_;
  const uint32_t interfaceDropped = statistics.ps_ifdrop - interfaceDropsSeen_;
  driverDropsSeen_ = statistics.ps_drop;
  interfaceDropsSeen_ = statistics.ps_ifdrop;
  if (counters && dropped + uint64_t{interfaceDropped} != 0) {
    counters->DriverDropped(dropped + uint64_t{interfaceDropped});
  }
}

// Linux TPACKET_V3 read timeouts only expire once a packet has arrived, so the handle is
// non-blocking and the loop polls with its own timeout: a stop request waits at most this long.
void CaptureSession::WaitForTraffic() {
  pollfd descriptor{pcap_get_selectable_fd(handle.get()), POLLIN, 0};
  if (descriptor.fd >= 0) poll(&descriptor, 1, kLiveWaitMilliseconds);
}

}  // namespace Quorvel::passive
