#pragma once

// The Cyclone golden data of the rich test type (tests/data/golden/rich): which payload files
// exist, which sample and type each holds, and what Cyclone says it decodes to. Shared by the
// golden codec tests and by the tool that writes our encodings for Cyclone to read back.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xml/TypeLibrary.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace Quorvel::golden {

// One committed payload file and what it must decode to.
struct GoldenPayload {
    std::string file;      // "final_zero.xcdr1-be.bin"
    std::string sample;    // "final_zero"
    std::string typeName;  // "Rich::FinalAll"
    cdr::CdrVersion version = cdr::CdrVersion::XCDR2;
    cdr::ByteOrder order = cdr::ByteOrder::LITTLE;
    std::string keyHash;       // what Cyclone computes for this payload's version
    std::string keyHashXcdr2;  // the DDS-XTypes 1.3 hash, whatever the payload's version
    nlohmann::ordered_json value;
};

// Test names carry the file; printing the values too would bury a failure.
inline void PrintTo(const GoldenPayload& payload, std::ostream* out) { *out << payload.file; }

// A payload read with the other version of its type.
struct EvolutionCase {
    std::string payload;
    std::string writtenAs;
    std::string readAs;
    std::string keyHash;
    nlohmann::ordered_json value;
};

inline void PrintTo(const EvolutionCase& c, std::ostream* out) { *out << c.payload << " as " << c.readAs; }

// Every "<sample>.xcdr{1,2}[-be].bin" of every sample in the per-type value documents, in
// document order. Throws std::runtime_error when a document is unreadable.
std::vector<GoldenPayload> ListGoldenPayloads(const std::filesystem::path& goldenDir);
std::vector<EvolutionCase> ListEvolutionCases(const std::filesystem::path& goldenDir);

// The file name that holds a sample in one encoding ("<sample>.xcdr2-be.bin").
std::string PayloadFileName(const std::string& sample, cdr::CdrVersion version, cdr::ByteOrder order);

// RichTypes.xml and RichEvolved.xml of `typesDir` (tests/data/types/rich).
xml::TypeLibrary LoadRichTypes(const std::filesystem::path& typesDir);
xtypes::DynamicTypePtr FindType(const xml::TypeLibrary& library, const std::string& name);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
std::string Hex(const cdr::KeyHash& hash);

}  // namespace Quorvel::golden
