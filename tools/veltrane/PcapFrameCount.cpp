#include "PcapFrameCount.h"

#include <array>
#include <fstream>

namespace Quorvel::Cli {
namespace {

// libpcap file format: a 24-byte global header opening with a magic number that also gives the
// byte order (microsecond or nanosecond time stamps), then per frame a 16-byte record header
// whose third 32-bit word is the number of bytes stored.
constexpr std::uint32_t kMagicMicro = 0xa1b2c3d4;
constexpr std::uint32_t kMagicNano = 0xa1b23c4d;
constexpr std::size_t kGlobalHeaderSize = 24;
constexpr std::size_t kRecordHeaderSize = 16;
constexpr std::uint32_t kMaxRecordSize = 256 * 1024;

std::uint32_t Word(const unsigned char* bytes, bool swapped) {
  const std::uint32_t little = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  const std::uint32_t big = bytes[3] | (bytes[2] << 8) | (bytes[1] << 16) | (static_cast<std::uint32_t>(bytes[0]) << 24);
  return swapped ? big : little;
}

bool ReadExactly(std::ifstream& file, unsigned char* into, std::size_t size) {
  file.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(file.gcount()) == size;
}

}  // namespace

std::optional<std::uint64_t> CountPcapFrames(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file.tellg());
  file.seekg(0);
  std::array<unsigned char, kGlobalHeaderSize> header{};
  if (!ReadExactly(file, header.data(), header.size())) return std::nullopt;
  const std::uint32_t magic = Word(header.data(), false);
  const std::uint32_t swappedMagic = Word(header.data(), true);
  bool swapped = false;
  if (magic != kMagicMicro && magic != kMagicNano) {
    if (swappedMagic != kMagicMicro && swappedMagic != kMagicNano) return std::nullopt;
    swapped = true;
  }
  std::uint64_t frames = 0;
  std::uint64_t offset = kGlobalHeaderSize;
  std::array<unsigned char, kRecordHeaderSize> record{};
  while (offset + kRecordHeaderSize <= fileSize) {
    if (!ReadExactly(file, record.data(), record.size())) break;
    const std::uint32_t stored = Word(record.data() + 8, swapped);
    if (stored > kMaxRecordSize || offset + kRecordHeaderSize + stored > fileSize) break;
    offset += kRecordHeaderSize + stored;
    file.seekg(static_cast<std::streamoff>(offset));
    ++frames;
  }
  return frames;
}

}  // namespace Quorvel::Cli
