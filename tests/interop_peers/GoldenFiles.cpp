#include "GoldenFiles.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace Quorvel::InteropPeers {
namespace {

void WriteBytes(const std::filesystem::path& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

std::string Hex(const std::array<uint8_t, 16>& bytes) {
    std::string text;
    char digits[3];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    WriteBytes(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    WriteBytes(path, text.data(), text.size());
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace Quorvel::InteropPeers
