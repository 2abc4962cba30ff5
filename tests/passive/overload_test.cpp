// The pipeline under a listener slower than the capture. A recording is paused rather than
// read ahead: the messages waiting in the pipeline stay within the configured bound, every
// sample is still delivered, in the recording's order, with one pool thread or two. A Terminate
// from another thread ends a recording's wait at once. A live capture (inside a network
// namespace of the test's own, so only its traffic is seen) never waits: what it cannot keep up
// with is dropped and counted, and the statistics account for every datagram sent.

#include "passive/support/EngineHarness.h"

#include <quorvel/EngineStatistics.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace Quorvel::passive {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::DataSpec;
using testing::EngineHarness;
using testing::HarnessOptions;

const Bytes kPrefix = {0x01, 0x0f, 0x44, 0x55, 0, 0, 0, 0, 0, 0, 0, 1};
constexpr uint32_t kWriter = 0x00000102;

Bytes UserData(uint64_t sequence) {
  DataSpec spec;
  spec.writerId = kWriter;
  spec.sequence = sequence;
  spec.payload = testing::KeyedSeqPayload(static_cast<uint32_t>(sequence), 7, {1, 2, 3});
  return testing::Data(spec);
}

// The writer's announcement, then `count` samples of it, one RTPS message each.
std::vector<Bytes> RtpsMessages(int count) {
  std::vector<Bytes> messages;
  Bytes announcement = testing::RtpsHeader(kPrefix);
  testing::Append(announcement, testing::EndpointData(kPrefix, kWriter, "Overload", "KeyedSeq"));
  messages.push_back(announcement);
  for (int n = 1; n <= count; ++n) {
    Bytes message = testing::RtpsHeader(kPrefix);
    testing::Append(message, UserData(static_cast<uint64_t>(n)));
    messages.push_back(std::move(message));
  }
  return messages;
}

// Keeps the "seq" of every user sample, in delivery order, taking `delay` over each.
class SlowListener : public EngineListener {
 public:
  explicit SlowListener(std::chrono::microseconds delay) : delay_(delay) {}
  void OnUserDataMap(const std::map<std::string, std::string>& fields) override {
    std::this_thread::sleep_for(delay_);
    std::lock_guard lock(mutex_);
    seqs_.push_back(std::stoi(fields.at("SampleData.seq")));
  }
  std::vector<int> Seqs() const {
    std::lock_guard lock(mutex_);
    return seqs_;
  }

 private:
  const std::chrono::microseconds delay_;
  mutable std::mutex mutex_;
  std::vector<int> seqs_;
};

void Bind(EngineHarness& harness, SlowListener& listener) {
  harness.engine->UnbindListener();
  harness.engine->BindListener(&listener,
                               static_cast<uint32_t>(EngineListenerEventsOptions::USER_DATA_MAP));
}

std::string Recording(const std::string& name, int samples) {
  std::vector<Bytes> frames;
  uint16_t id = 1;
  for (const Bytes& message : RtpsMessages(samples)) {
    frames.push_back(testing::EthernetRtpsFrame(message, id++));
  }
  return testing::TemporaryPcap(name, frames);
}

TEST(Overload, ARecordingWaitsForASlowListenerWithinTheBoundAndLosesNothing) {
  constexpr int kSamples = 2000;
  constexpr uint64_t kLimit = 32;
  const std::string pcap = Recording("overload_slow_listener", kSamples);
  for (const uint64_t threads : {uint64_t{1}, uint64_t{2}}) {
    HarnessOptions options;
    options.threads = threads;
    options.maxPipelineMessages = kLimit;
    EngineHarness harness(options);
    SlowListener listener(100us);
    Bind(harness, listener);
    harness.engine->DissectRecordingFile(pcap, true);

    std::vector<int> expected(kSamples);
    for (int n = 0; n < kSamples; ++n) expected[n] = n + 1;
    EXPECT_EQ(listener.Seqs(), expected) << threads << " threads: all, in the recording's order";
    // The capture checks before each message and every message here carries one sample, so
    // the bound is passed by the message let in plus those that were, at that moment, taken
    // off one stage and not yet put on the next (one per pool thread and the router).
    EXPECT_LE(harness.engine->PipelinePeak(), kLimit + 2 + threads) << threads << " threads";
    EXPECT_GE(harness.engine->PipelinePeak(), kLimit) << "the listener was meant to be slow";
    const EngineStatistics statistics = harness.engine->Statistics();
    EXPECT_EQ(statistics.framesRead, static_cast<uint64_t>(kSamples + 1));
    EXPECT_EQ(statistics.rtpsMessagesParsed, static_cast<uint64_t>(kSamples + 1));
    EXPECT_EQ(statistics.userSamplesDelivered, static_cast<uint64_t>(kSamples));
    EXPECT_EQ(statistics.droppedCaptureOverflow, 0u);
  }
}

TEST(Overload, TerminateFromAnotherThreadEndsARecordingsWait) {
  const std::string pcap = Recording("overload_terminate", 3000);
  HarnessOptions options;
  options.threads = 1;
  options.maxPipelineMessages = 16;
  EngineHarness harness(options);
  SlowListener listener(5ms);  // 15 s for the whole recording
  Bind(harness, listener);
  auto waiting = std::async(std::launch::async,
                            [&] { harness.engine->DissectRecordingFile(pcap, true); });
  while (listener.Seqs().size() < 5) std::this_thread::sleep_for(1ms);
  harness.engine->Terminate();
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready) << "the wait outlived Terminate";
  waiting.get();
  EXPECT_LT(listener.Seqs().size(), 3000u);
}

// Runs `body` on a thread of its own inside a new network namespace whose loopback is up:
// the threads it starts (the engine's) share the namespace; the rest of the process does not.
void InOwnNetworkNamespace(const std::function<void()>& body) {
  std::string failure;
  std::thread isolated([&] {
    if (unshare(CLONE_NEWNET) != 0) {
      failure = "unshare(CLONE_NEWNET) failed (needs CAP_SYS_ADMIN)";
      return;
    }
    const int control = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
    request.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    const bool up = control >= 0 && ioctl(control, SIOCSIFFLAGS, &request) == 0;
    if (control >= 0) close(control);
    if (!up) {
      failure = "cannot bring up lo in the new namespace";
      return;
    }
    body();
  });
  isolated.join();
  if (!failure.empty()) GTEST_SKIP() << failure;
}

TEST(Overload, ALiveCaptureDropsWhatItCannotKeepUpWithAndCountsIt) {
  InOwnNetworkNamespace([] {
    HarnessOptions options;
    options.mode = EngineOperationMode::PASSIVE_DYNAMIC_MONITORING;
    options.interfaceName = "lo";
    options.threads = 2;
    options.maxPipelineMessages = 8;
    EngineHarness harness(options);
    SlowListener listener(2ms);
    Bind(harness, listener);
    harness.engine->RunNICMonitoring();

    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sender, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(7411);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A bound socket, never read, so that no ICMP "port unreachable" joins the traffic.
    const int receiver = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(bind(receiver, reinterpret_cast<const sockaddr*>(&target), sizeof target), 0);
    const auto send = [&](const Bytes& message) {
      return sendto(sender, message.data(), message.size(), 0,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target);
    };
    constexpr int kSamples = 2000;
    const std::vector<Bytes> messages = RtpsMessages(kSamples);
    // The announcement first, and its processing awaited: samples of an unknown writer would
    // be dropped for another reason.
    ASSERT_GT(send(messages[0]), 0);
    for (int wait = 0; wait < 5000 && harness.engine->DiscoveredWritersInfo().empty(); ++wait) {
      std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(harness.engine->DiscoveredWritersInfo().size(), 1u);
    for (int n = 1; n <= kSamples; ++n) ASSERT_GT(send(messages[n]), 0);
    close(sender);
    close(receiver);

    // Every datagram is read or dropped by libpcap, then delivered or dropped by the engine.
    const uint64_t sent = kSamples + 1;
    EngineStatistics statistics;
    for (int wait = 0; wait < 30000; ++wait) {
      statistics = harness.engine->Statistics();
      if (statistics.framesRead + statistics.capturePacketsDroppedByDriver >= sent &&
          harness.engine->IsIdle()) {
        break;
      }
      std::this_thread::sleep_for(1ms);
    }
    statistics = harness.engine->Statistics();
    // The kernel may count a datagram it dropped more than once (loopback passes each one out
    // and in), so the driver's count is a bound, not an exact share; nothing may go uncounted.
    EXPECT_LE(statistics.framesRead, sent);
    EXPECT_GE(statistics.framesRead + statistics.capturePacketsDroppedByDriver, sent)
        << statistics.framesRead << " read, " << statistics.capturePacketsDroppedByDriver
        << " dropped by the driver";
    EXPECT_GT(statistics.droppedCaptureOverflow, 0u) << "a 2 ms listener cannot keep up";
    EXPECT_EQ(statistics.framesRead, statistics.rtpsMessagesParsed + statistics.droppedCaptureOverflow);
    EXPECT_EQ(statistics.userSamplesDelivered + 1, statistics.rtpsMessagesParsed);
    EXPECT_EQ(listener.Seqs().size(), statistics.userSamplesDelivered);
    EXPECT_EQ(statistics.droppedNoMatchingWriter + statistics.droppedMalformedInput +
                  statistics.droppedNonRtps,
              0u);
  });
}

}  // namespace
}  // namespace Quorvel::passive
