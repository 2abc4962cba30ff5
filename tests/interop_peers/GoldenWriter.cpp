#include "GoldenWriter.h"

#include "CycloneCodec.h"
#include "GoldenFiles.h"
#include "RichDecoder.h"
#include "RichTypes.h"

#include <memory>
#include <stdexcept>

namespace Quorvel::InteropPeers {
namespace {

using Json = nlohmann::ordered_json;

}  // namespace

GoldenWriter::GoldenWriter(std::filesystem::path outDir) : outDir_(std::move(outDir)) {}

void GoldenWriter::WriteAll() {
    std::filesystem::create_directories(outDir_);
    for (const RichType& type : RichTypes()) {
        WriteType(type);
    }
    WriteEvolution();
}

void GoldenWriter::WriteType(const RichType& type) {
    std::unique_ptr<CycloneCodec> xcdr1;
    if (type.hasXcdr1) {
        xcdr1 = std::make_unique<CycloneCodec>(domain_.Participant(), type.descriptor,
                                               Representation::Xcdr1);
    }
    CycloneCodec xcdr2(domain_.Participant(), type.descriptor, Representation::Xcdr2);
    std::vector<WrittenSample>& written = writtenByType_[std::string(type.fileStem)];
    Json samples = Json::array();
    for (const NamedSample& named : type.makeSamples()) {
        const SerializedSample bytes2 = xcdr2.Serialize(named.sample);
        WriteFile(outDir_ / (named.name + ".xcdr2.bin"), bytes2.payload);
        WriteFile(outDir_ / (named.name + ".xcdr2-be.bin"), bytes2.bigEndianPayload);
        Json entry{{"name", named.name}, {"keyhash", Hex(bytes2.keyHash)}};
        if (xcdr1) {
            const SerializedSample bytes1 = xcdr1->Serialize(named.sample);
            WriteFile(outDir_ / (named.name + ".xcdr1.bin"), bytes1.payload);
            WriteFile(outDir_ / (named.name + ".xcdr1-be.bin"), bytes1.bigEndianPayload);
            // Cyclone serializes the key for the hash with the writer's alignment rules, so an
            // 8-byte key member after padding hashes differently under XCDR1.
            if (bytes1.keyHash != bytes2.keyHash) {
                entry["keyhash_xcdr1"] = Hex(bytes1.keyHash);
            }
        }
        entry["value"] = type.toJson(named.sample.Get());
        samples.push_back(std::move(entry));
        written.push_back({named.name, bytes2.payload});
    }
    const Json document{{"type", type.descriptor.m_typename}, {"samples", samples}};
    WriteFile(outDir_ / (std::string(type.fileStem) + ".json"), document.dump(2) + "\n");
}

void GoldenWriter::WriteEvolution() const {
    Json cases = Json::array();
    const auto readAs = [&](const RichType& writer, const RichType& reader) {
        for (const WrittenSample& sample : writtenByType_.find(writer.fileStem)->second) {
            const DecodedSample decoded = DecodeWithCyclone(domain_, reader, sample.xcdr2Payload);
            cases.push_back(Json{{"payload", sample.name + ".xcdr2.bin"},
                                 {"written_as", writer.descriptor.m_typename},
                                 {"read_as", reader.descriptor.m_typename},
                                 {"keyhash", decoded.keyHash},
                                 {"value", decoded.value}});
        }
    };
    for (const TypeVersions& versions : RichTypeVersions()) {
        const RichType& older = FindRichType(versions.older);
        const RichType& newer = FindRichType(versions.newer);
        readAs(older, newer);
        readAs(newer, older);
    }
    WriteFile(outDir_ / "Evolution.json", Json{{"cases", cases}}.dump(2) + "\n");
}

}  // namespace Quorvel::InteropPeers
