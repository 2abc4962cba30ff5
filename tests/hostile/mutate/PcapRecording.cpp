#include "PcapRecording.h"

#include <pcap/pcap.h>

#include <memory>
#include <stdexcept>

namespace Quorvel::Hostile {
namespace {

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};
struct DumperCloser {
  void operator()(pcap_dumper_t* dumper) const { pcap_dump_close(dumper); }
};

}  // namespace

PcapRecording PcapRecording::Read(const std::string& path) {
  char error[PCAP_ERRBUF_SIZE] = {};
  std::unique_ptr<pcap_t, PcapCloser> handle(pcap_open_offline(path.c_str(), error));
  if (!handle) throw std::runtime_error("cannot open " + path + ": " + error);
  PcapRecording recording;
  recording.linkType = pcap_datalink(handle.get());
  recording.snapLength = pcap_snapshot(handle.get());
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  int result = 0;
  while ((result = pcap_next_ex(handle.get(), &header, &data)) == 1) {
    CapturedFrame& frame = recording.frames.emplace_back();
    frame.seconds = header->ts.tv_sec;
    frame.microseconds = header->ts.tv_usec;
    frame.originalLength = header->len;
    frame.bytes.assign(data, data + header->caplen);
  }
  if (result == PCAP_ERROR) {
    throw std::runtime_error("cannot read " + path + ": " + pcap_geterr(handle.get()));
  }
  return recording;
}

void PcapRecording::Write(const std::string& path) const {
  std::unique_ptr<pcap_t, PcapCloser> dead(pcap_open_dead(linkType, snapLength));
  if (!dead) throw std::runtime_error("libpcap refuses link type " + std::to_string(linkType));
  std::unique_ptr<pcap_dumper_t, DumperCloser> dumper(pcap_dump_open(dead.get(), path.c_str()));
  if (!dumper) throw std::runtime_error("cannot write " + path + ": " + pcap_geterr(dead.get()));
  for (const CapturedFrame& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = frame.seconds;
    header.ts.tv_usec = frame.microseconds;
    header.caplen = static_cast<bpf_u_int32>(frame.bytes.size());
    header.len = frame.originalLength;
    pcap_dump(reinterpret_cast<u_char*>(dumper.get()), &header, frame.bytes.data());
  }
  if (pcap_dump_flush(dumper.get()) != 0) throw std::runtime_error("cannot flush " + path);
}

}  // namespace Quorvel::Hostile
