#pragma once

#include "CycloneDomain.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace Quorvel::InteropPeers {

struct RichType;

// Produces the golden data set in one folder: per sample its payloads, per type its values
// and key hashes, and Evolution.json with each version of a type read as the other version.
class GoldenWriter {
public:
    explicit GoldenWriter(std::filesystem::path outDir);
    void WriteAll();

private:
    struct WrittenSample {
        std::string name;
        std::vector<uint8_t> xcdr2Payload;
    };

    void WriteType(const RichType& type);
    void WriteEvolution() const;

    CycloneDomain domain_;
    std::filesystem::path outDir_;
    std::map<std::string, std::vector<WrittenSample>, std::less<>> writtenByType_;
};

}  // namespace Quorvel::InteropPeers
