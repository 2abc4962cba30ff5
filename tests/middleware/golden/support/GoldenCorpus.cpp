#include "GoldenCorpus.h"

#include "middleware/xml/XmlTypeReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace Quorvel::golden {

namespace {

nlohmann::ordered_json LoadJson(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot open " + file.string());
    return nlohmann::ordered_json::parse(in);
}

// The per-type documents sorted by file name, so the payload order does not depend on the
// directory listing.
std::vector<std::filesystem::path> TypeDocuments(const std::filesystem::path& goldenDir) {
    std::vector<std::filesystem::path> documents;
    for (const auto& entry : std::filesystem::directory_iterator(goldenDir)) {
        const auto& path = entry.path();
        if (path.extension() == ".json" && path.filename() != "Evolution.json") documents.push_back(path);
    }
    std::sort(documents.begin(), documents.end());
    return documents;
}

}  // namespace

std::string PayloadFileName(const std::string& sample, cdr::CdrVersion version, cdr::ByteOrder order) {
    return sample + (version == cdr::CdrVersion::XCDR1 ? ".xcdr1" : ".xcdr2") +
           (order == cdr::ByteOrder::BIG ? "-be" : "") + ".bin";
}

std::vector<GoldenPayload> ListGoldenPayloads(const std::filesystem::path& goldenDir) {
    std::vector<GoldenPayload> payloads;
    for (const auto& document : TypeDocuments(goldenDir)) {
        const nlohmann::ordered_json golden = LoadJson(document);
        const std::string typeName = golden.at("type").get<std::string>();
        for (const auto& sample : golden.at("samples")) {
            const std::string name = sample.at("name").get<std::string>();
            const std::string keyHash = sample.at("keyhash").get<std::string>();
            const std::string keyHashXcdr1 = sample.value("keyhash_xcdr1", keyHash);
            for (const cdr::CdrVersion version : {cdr::CdrVersion::XCDR1, cdr::CdrVersion::XCDR2}) {
                for (const cdr::ByteOrder order : {cdr::ByteOrder::LITTLE, cdr::ByteOrder::BIG}) {
                    const std::string file = PayloadFileName(name, version, order);
                    if (!std::filesystem::exists(goldenDir / file)) continue;
                    payloads.push_back({file, name, typeName, version, order,
                                        version == cdr::CdrVersion::XCDR1 ? keyHashXcdr1 : keyHash,
                                        keyHash, sample.at("value")});
                }
            }
        }
    }
    return payloads;
}

std::vector<EvolutionCase> ListEvolutionCases(const std::filesystem::path& goldenDir) {
    std::vector<EvolutionCase> cases;
    const nlohmann::ordered_json evolution = LoadJson(goldenDir / "Evolution.json");
    for (const auto& c : evolution.at("cases")) {
        cases.push_back({c.at("payload").get<std::string>(), c.at("written_as").get<std::string>(),
                         c.at("read_as").get<std::string>(), c.at("keyhash").get<std::string>(),
                         c.at("value")});
    }
    return cases;
}

xml::TypeLibrary LoadRichTypes(const std::filesystem::path& typesDir) {
    xml::XmlTypeReader reader;
    reader.ReadFile(typesDir / "RichTypes.xml");
    reader.ReadFile(typesDir / "RichEvolved.xml");
    return reader.BuildLibrary();
}

xtypes::DynamicTypePtr FindType(const xml::TypeLibrary& library, const std::string& name) {
    xtypes::DynamicTypePtr type = library.Find(name);
    if (!type) throw std::runtime_error("type " + name + " is not in the rich type files");
    return type;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + file.string());
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string Hex(const cdr::KeyHash& hash) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t byte : hash) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

}  // namespace Quorvel::golden
