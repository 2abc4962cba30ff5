// veltrane_hostile_mutate <seed> <count> <output folder> <recording>...
// Writes <count> corrupted copies of each recording, <folder>/<name>-<n>.pcap, and prints one
// line per file: path, frames in it, the mutations applied (comma separated). File n of
// recording r always comes from seed + r * count + n, so any single file can be made again.

#include "PcapRecording.h"
#include "RecordingMutator.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  using namespace Quorvel::Hostile;
  if (argc < 5) {
    std::cerr << "usage: " << argv[0] << " <seed> <count> <output folder> <recording>...\n";
    return 2;
  }
  try {
    const std::uint64_t seed = std::stoull(argv[1]);
    const std::uint64_t count = std::stoull(argv[2]);
    const std::filesystem::path folder = argv[3];
    std::filesystem::create_directories(folder);
    for (int r = 4; r < argc; ++r) {
      const PcapRecording original = PcapRecording::Read(argv[r]);
      const std::string stem = std::filesystem::path(argv[r]).stem().string();
      for (std::uint64_t n = 0; n < count; ++n) {
        PcapRecording derived = original;
        RecordingMutator mutator(seed + static_cast<std::uint64_t>(r - 4) * count + n);
        std::string applied;
        for (const std::string& name : mutator.Mutate(derived)) applied += (applied.empty() ? "" : ",") + name;
        const std::filesystem::path path = folder / (stem + "-" + std::to_string(n) + ".pcap");
        derived.Write(path.string());
        std::cout << path.string() << '\t' << derived.frames.size() << '\t' << applied << '\n';
      }
    }
  } catch (const std::exception& e) {
    std::cerr << argv[0] << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
