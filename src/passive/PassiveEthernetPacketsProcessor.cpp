#include "passive/PassiveEthernetPacketsProcessor.h"

#include "common/Log.h"
#include "passive/CaptureSession.h"
#include "passive/PcapngCapture.h"
#include "passive/ThreadPoolPost.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace Quorvel::passive {

namespace {

constexpr int kSnapLength = 65536;
constexpr int kReadTimeoutMilliseconds = 1;
constexpr char kFilter[] = "ip and not tcp";
// Ethernet frames may carry 802.1Q tags; `vlan` moves the offsets of what follows it.
constexpr char kEthernetFilter[] = "ip and not tcp or (vlan and ip and not tcp)";

struct DeviceListDeleter {
  void operator()(pcap_if_t* devices) const { pcap_freealldevs(devices); }
};
using DeviceList = std::unique_ptr<pcap_if_t, DeviceListDeleter>;

DeviceList FindAllDevices() {
  pcap_if_t* devices = nullptr;
  char error[PCAP_ERRBUF_SIZE] = {};
  if (pcap_findalldevs(&devices, error) == -1) {
    ThrowLogged(std::string("Error retrieving NICs list.") + error);
  }
  return DeviceList(devices);
}

// The link stage of a handle, or the Init failure for a link the engine cannot read.
LinkType CheckLinkType(pcap_t* handle) {
  const auto type = LinkLayer::FromDatalink(pcap_datalink(handle));
  if (!type) ThrowLogged(std::string("Init") + " The  engine only supports Ethernet networks");
  return *type;
}

void InstallFilter(pcap_t* handle, const std::string& filter) {
  bpf_program program{};
  if (pcap_compile(handle, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) == -1) {
    ThrowLogged("Init Unable to compile the packet filter." + filter);
  }
  const int result = pcap_setfilter(handle, &program);
  pcap_freecode(&program);
  if (result == -1) ThrowLogged("Init Unable to set the packet filter." + filter);
}

PcapHandle OpenInterface(const std::string& name, LinkType& linkType) {
  const DeviceList devices = FindAllDevices();
  if (!devices) ThrowLogged(std::string("Init") + "Error. No interfaces found on the machine");
  std::string listing;
  bool found = false;
  bool loopback = false;
  for (const pcap_if_t* device = devices.get(); device != nullptr; device = device->next) {
    listing += std::string(device->name) + " - " +
               (device->description ? device->description : "") + " ; ";
    if (name != device->name) continue;
    found = true;
    loopback = (device->flags & PCAP_IF_LOOPBACK) != 0;
  }
  if (!found) {
    ThrowLogged("Init Interface name '" + name + "' was not found. List of detected NICs : " +
                listing);
  }
  char error[PCAP_ERRBUF_SIZE] = {};
  PcapHandle handle(pcap_open_live(name.c_str(), kSnapLength, 1, kReadTimeoutMilliseconds, error));
  if (!handle) ThrowLogged("Init Unable to open the adapter." + name + ". " + error);
  linkType = CheckLinkType(handle.get());
  InstallFilter(handle.get(), linkType == LinkType::ETHERNET ? kEthernetFilter : kFilter);
  // Loopback hands the kernel every datagram twice, sent and received; libpcap skips the sent
  // copy but both take ring space and both count as dropped when the ring is full. Received
  // only, each datagram is in the ring, and in the drop count, once.
  if (loopback && pcap_setdirection(handle.get(), PCAP_D_IN) == -1) {
    LogWarning("Unable to capture only received packets on " + name + ": " + pcap_geterr(handle.get()));
  }
  if (pcap_setnonblock(handle.get(), 1, error) == -1) {
    ThrowLogged("Init Unable to set the adapter " + name + " non-blocking. " + error);
  }
  LogInfo("listening on " + name);
  return handle;
}

// libpcap reads a recording through stdio with the stream's default buffer of a few KiB: a
// system call for nearly every datagram of a large recording. With a buffer of this size the
// calls are a thousand times fewer.
constexpr std::size_t kRecordingReadBuffer = std::size_t{1} << 20;

PcapHandle OpenRecording(const std::string& path, LinkType& linkType) {
  const auto fail = [&path](const std::string& error) {
    ThrowLogged("Init Unable to open pcap file: " + path + ". Error: " + error);
  };
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) fail(path + ": " + std::strerror(errno));
  auto buffer = std::make_unique<char[]>(kRecordingReadBuffer);
  std::setvbuf(file, buffer.get(), _IOFBF, kRecordingReadBuffer);
  char error[PCAP_ERRBUF_SIZE] = {};
  PcapHandle handle(pcap_fopen_offline(file, error), PcapCloser{std::move(buffer)});
  if (!handle) {
    // Not taken over: closed here, before the buffer goes with the empty handle.
    std::fclose(file);
    fail(error);
  }
  linkType = CheckLinkType(handle.get());
  LogInfo("Dissecting " + path);
  return handle;
}

}  // namespace

PassiveEthernetPacketsProcessor::PassiveEthernetPacketsProcessor() {
  LogDebug("PassiveEthernetPacketsProcessor");
}

PassiveEthernetPacketsProcessor::~PassiveEthernetPacketsProcessor() {
  Terminate();
  LogDebug("~PassiveEthernetPacketsProcessor");
}

void PassiveEthernetPacketsProcessor::Init(const std::string& sourceName,
                                           std::shared_ptr<RTPSMessageQueue> rtpsQueue,
                                           SourceType sourceType,
                                           std::shared_ptr<EngineCounters> counters) {
  LogDebug("Init");
  if (sourceType != SourceType::NIC && sourceType != SourceType::PCAP_FILE) return;
  const bool live = sourceType == SourceType::NIC;
  sourceName_ = live ? sourceName : (std::filesystem::current_path() / sourceName).string();
  std::shared_ptr<CaptureSession> session;
  if (!live && PcapngReader::IsPcapng(sourceName_)) {
    // Read by our own block reader: libpcap refuses interfaces of different link types.
    session = std::make_shared<CaptureSession>(
        std::make_unique<PcapngCapture>(sourceName_, counters), sourceName_, std::move(rtpsQueue),
        counters);
    LogInfo("Dissecting " + sourceName_);
  } else {
    LinkType linkType = LinkType::ETHERNET;
    PcapHandle handle = live ? OpenInterface(sourceName_, linkType)
                             : OpenRecording(sourceName_, linkType);
    session = std::make_shared<CaptureSession>(std::move(handle), linkType, live, sourceName_,
                                               std::move(rtpsQueue), std::move(counters));
  }
  std::lock_guard lock(sessionMutex_);
  session_ = std::move(session);
}

void PassiveEthernetPacketsProcessor::Operation() {
  if (const auto session = Session()) session->CaptureLoop();
}

void PassiveEthernetPacketsProcessor::Run(boost::asio::thread_pool& pool) {
  if (auto session = Session()) {
    PostToPool(pool, [session = std::move(session)] { session->CaptureLoop(); });
  }
}

void PassiveEthernetPacketsProcessor::StartCaptureThread() {
  if (auto session = Session()) {
    captureThread_ = std::thread([session = std::move(session)] { session->CaptureLoop(); });
  }
}

void PassiveEthernetPacketsProcessor::Terminate() {
  LogTrace("Terminate");
  std::shared_ptr<CaptureSession> session;
  {
    std::lock_guard lock(sessionMutex_);
    session = std::move(session_);
  }
  if (session) session->running.store(false);
  if (captureThread_.joinable()) captureThread_.join();
  // A recording's loop may still run on a pool thread: its fragments go with the session.
  if (session && session->finished.load()) session->decoder.Restart();
  // The handle closes with the last reference: here, or when a pool task still reading lets go.
}

bool PassiveEthernetPacketsProcessor::IsFinished() const {
  const auto session = Session();
  return !session || session->finished.load();
}

uint64_t PassiveEthernetPacketsProcessor::FramesRead() const {
  const auto session = Session();
  return session ? session->framesRead.load() : 0;
}

uint64_t PassiveEthernetPacketsProcessor::MessagesEnqueued() const {
  const auto session = Session();
  return session ? session->messagesEnqueued.load() : 0;
}

std::shared_ptr<CaptureSession> PassiveEthernetPacketsProcessor::Session() const {
  std::lock_guard lock(sessionMutex_);
  return session_;
}

}  // namespace Quorvel::passive
