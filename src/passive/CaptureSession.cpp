#include "passive/CaptureSession.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"

#include <pcap/pcap.h>
#include <poll.h>

namespace Quorvel::passive {

namespace {
constexpr int kLiveWaitMilliseconds = 1;
}

void PcapCloser::operator()(pcap* handle) const { pcap_close(handle); }

void CaptureSession::CaptureLoop() {
  while (running.load()) {
    pcap_pkthdr* record = nullptr;
    const u_char* frame = nullptr;
    const int result = pcap_next_ex(handle.get(), &record, &frame);
    if (result == 0) {
      if (live) WaitForTraffic();
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
    header.arrival_time = std::chrono::system_clock::now();
    framesRead.fetch_add(1, std::memory_order_relaxed);
    if (counters) counters->FrameRead();
    if (auto message = decoder.Decode(header, {frame, record->caplen})) {
      messagesEnqueued.fetch_add(1, std::memory_order_relaxed);
      queue->Enqueue(std::move(message));
    }
  }
  finished.store(true);
  LogTrace("Exiting Operation");
}

// Linux TPACKET_V3 read timeouts only expire once a packet has arrived, so the handle is
// non-blocking and the loop polls with its own timeout: a stop request waits at most this long.
void CaptureSession::WaitForTraffic() {
  pollfd descriptor{pcap_get_selectable_fd(handle.get()), POLLIN, 0};
  if (descriptor.fd >= 0) poll(&descriptor, 1, kLiveWaitMilliseconds);
}

}  // namespace Quorvel::passive
