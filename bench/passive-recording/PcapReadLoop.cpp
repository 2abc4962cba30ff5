// The limit of reading a recording: libpcap's own loop over every record, touching nothing
// but the record header. Prints "pcap_loop <frames> <seconds> <frames/s> <MB/s>".
//   veltrane_pcap_read_loop <file.pcap>
#include <pcap/pcap.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.pcap>\n", argv[0]);
    return 2;
  }
  char error[PCAP_ERRBUF_SIZE];
  const auto start = std::chrono::steady_clock::now();
  pcap_t* handle = pcap_open_offline(argv[1], error);
  if (handle == nullptr) {
    std::fprintf(stderr, "%s\n", error);
    return 1;
  }
  unsigned long long frames = 0;
  unsigned long long bytes = 0;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(handle, &header, &data) == 1) {
    ++frames;
    bytes += header->caplen;
  }
  pcap_close(handle);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
  std::printf("pcap_loop %llu %.4f %.0f %.1f\n", frames, elapsed.count(), frames / elapsed.count(),
              megabytes / elapsed.count());
  return bytes > 0 ? 0 : 1;
}
