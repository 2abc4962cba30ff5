// golden_encoder: our encoder's version of the golden payloads, for Cyclone to read back.
//   golden_encoder <golden-dir> <types-dir> <out-dir>
// Each golden sample is decoded from Cyclone's little-endian XCDR2 payload (so the values are
// Cyclone's), then encoded by us in every encoding the golden folder holds for it (same file
// names: XCDR1 where Cyclone supports it, XCDR2, both byte orders). The value documents and
// Evolution.json are copied alongside, so the folder is checked like the golden one.

#include "middleware/golden/support/GoldenCorpus.h"

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicData.h"

#include <iostream>
#include <map>

namespace {

using namespace Quorvel;

int Encode(const std::filesystem::path& goldenDir, const std::filesystem::path& typesDir,
           const std::filesystem::path& outDir) {
    const xml::TypeLibrary types = golden::LoadRichTypes(typesDir);
    std::filesystem::create_directories(outDir);
    std::map<std::string, xtypes::DynamicData> decoded;  // by sample name
    size_t written = 0;
    size_t differing = 0;
    for (const golden::GoldenPayload& payload : golden::ListGoldenPayloads(goldenDir)) {
        auto sample = decoded.find(payload.sample);
        if (sample == decoded.end()) {
            xtypes::DynamicData data(golden::FindType(types, payload.typeName));
            const std::string source =
                golden::PayloadFileName(payload.sample, cdr::CdrVersion::XCDR2, cdr::ByteOrder::LITTLE);
            cdr::from_cdr_buffer(data, golden::ReadBytes(goldenDir / source));
            sample = decoded.emplace(payload.sample, std::move(data)).first;
        }
        const std::vector<uint8_t> ours = cdr::to_cdr_buffer(sample->second, {payload.version, payload.order});
        golden::WriteBytes(outDir / payload.file, ours);
        ++written;
        if (ours != golden::ReadBytes(goldenDir / payload.file)) ++differing;
    }
    for (const auto& entry : std::filesystem::directory_iterator(goldenDir)) {
        if (entry.path().extension() == ".json")
            std::filesystem::copy_file(entry.path(), outDir / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    std::cout << "golden_encoder: " << written << " payloads written to " << outDir.string() << ", "
              << differing << " of them differ from Cyclone's bytes\n";
    return written == 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: golden_encoder <golden-dir> <types-dir> <out-dir>\n";
        return 2;
    }
    try {
        return Encode(argv[1], argv[2], argv[3]);
    } catch (const std::exception& error) {
        std::cerr << "golden_encoder: " << error.what() << "\n";
        return 1;
    }
}
