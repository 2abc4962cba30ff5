// The committed golden data against the XML type files, without Cyclone and without our codec:
// every recorded value has the shape of its type as the XML declares it (so the XML files and
// rich.idl agree), and every payload's encapsulation fits the type's extensibility.

#include "GoldenValueShape.h"

#include "middleware/xml/XmlTypeReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

namespace Quorvel::InteropPeers::test {
namespace {

const std::filesystem::path kDataDir = VELTRANE_TEST_DATA_DIR;
const std::filesystem::path kGoldenDir = kDataDir / "golden" / "rich";

class GoldenShape : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xml::XmlTypeReader reader;
        reader.ReadFile(kDataDir / "types" / "rich" / "RichTypes.xml");
        reader.ReadFile(kDataDir / "types" / "rich" / "RichEvolved.xml");
        library_ = std::make_unique<xml::TypeLibrary>(reader.BuildLibrary());
    }
    static void TearDownTestSuite() { library_.reset(); }

    static const xtypes::DynamicType& Type(const std::string& name) {
        const auto type = library_->Find(name);
        if (!type) throw std::runtime_error("type " + name + " is not in the XML type files");
        return *type;
    }

    static nlohmann::ordered_json Load(const std::filesystem::path& file) {
        std::ifstream in(file);
        return nlohmann::ordered_json::parse(in);
    }

    // Every per-type value document, by the type it names.
    static std::map<std::string, nlohmann::ordered_json> TypeDocuments() {
        std::map<std::string, nlohmann::ordered_json> documents;
        for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir)) {
            if (entry.path().extension() == ".json" &&
                entry.path().filename() != "Evolution.json") {
                nlohmann::ordered_json document = Load(entry.path());
                documents.emplace(document.at("type").get<std::string>(), std::move(document));
            }
        }
        return documents;
    }

    static inline std::unique_ptr<xml::TypeLibrary> library_;
};

TEST_F(GoldenShape, EveryTopLevelTypeHasGoldenSamples) {
    const auto documents = TypeDocuments();
    for (const char* name :
         {"Rich::FinalAll", "Rich::Extras", "Rich::AppendableRecord", "Rich::MutableRecord",
          "RichEvolved::AppendableRecord", "RichEvolved::MutableRecord"}) {
        ASSERT_TRUE(documents.count(name)) << name;
        EXPECT_GE(documents.at(name).at("samples").size(), 1u) << name;
    }
}

TEST_F(GoldenShape, RecordedValuesFitTheXmlTypes) {
    for (const auto& [typeName, document] : TypeDocuments()) {
        for (const auto& sample : document.at("samples")) {
            const auto problems = ShapeProblems(sample.at("value"), Type(typeName));
            EXPECT_TRUE(problems.empty()) << sample.at("name") << " (" << typeName
                                          << "): " << ::testing::PrintToString(problems);
        }
    }
}

TEST_F(GoldenShape, ValuesReadAcrossVersionsFitTheReadingType) {
    const nlohmann::ordered_json evolution = Load(kGoldenDir / "Evolution.json");
    ASSERT_FALSE(evolution.at("cases").empty());
    for (const auto& readCase : evolution.at("cases")) {
        const auto problems = ShapeProblems(readCase.at("value"), Type(readCase.at("read_as")));
        EXPECT_TRUE(problems.empty()) << readCase.at("payload") << " as " << readCase.at("read_as")
                                      << ": " << ::testing::PrintToString(problems);
        EXPECT_NE(readCase.at("written_as"), readCase.at("read_as"));
        EXPECT_TRUE(
            std::filesystem::exists(kGoldenDir / readCase.at("payload").get<std::string>()));
    }
}

TEST_F(GoldenShape, KeyHashesAreSixteenBytesOfHex) {
    const std::regex hex("[0-9a-f]{32}");
    for (const auto& [typeName, document] : TypeDocuments()) {
        for (const auto& sample : document.at("samples")) {
            EXPECT_TRUE(std::regex_match(sample.at("keyhash").get<std::string>(), hex))
                << sample.at("name");
            if (sample.contains("keyhash_xcdr1")) {
                EXPECT_TRUE(std::regex_match(sample.at("keyhash_xcdr1").get<std::string>(), hex));
                EXPECT_NE(sample.at("keyhash_xcdr1"), sample.at("keyhash"))
                    << "recorded only where it differs";
            }
        }
    }
}

// The representation identifier a payload must carry, from the type's extensibility and the
// file name's encoding (XCDR1/XCDR2, -be for big-endian): DDS-XTypes 1.3, 7.6.3.1.2.
uint16_t ExpectedIdentifier(xtypes::Extensibility extensibility, bool xcdr1, bool bigEndian) {
    uint16_t identifier = 0;
    switch (extensibility) {
        case xtypes::Extensibility::FINAL: identifier = xcdr1 ? 0x0000 : 0x0006; break;
        case xtypes::Extensibility::APPENDABLE: identifier = xcdr1 ? 0x0000 : 0x0008; break;
        case xtypes::Extensibility::MUTABLE: identifier = xcdr1 ? 0x0002 : 0x000a; break;
    }
    return bigEndian ? identifier : static_cast<uint16_t>(identifier + 1);
}

TEST_F(GoldenShape, PayloadHeadersFitTypeAndFileName) {
    size_t payloads = 0;
    for (const auto& [typeName, document] : TypeDocuments()) {
        const xtypes::Extensibility extensibility = Type(typeName).extensibility();
        for (const auto& sample : document.at("samples")) {
            for (const char* encoding : {"xcdr1", "xcdr2", "xcdr1-be", "xcdr2-be"}) {
                const auto file =
                    kGoldenDir / (sample.at("name").get<std::string>() + "." + encoding + ".bin");
                if (!std::filesystem::exists(file)) continue;
                ++payloads;
                std::ifstream in(file, std::ios::binary);
                const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
                ASSERT_GE(bytes.size(), 8u) << file;
                const std::string name(encoding);
                const uint16_t identifier = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
                EXPECT_EQ(identifier, ExpectedIdentifier(extensibility, name.starts_with("xcdr1"),
                                                         name.ends_with("-be")))
                    << file;
                EXPECT_EQ(bytes.size() % 4, 0u) << file;
                EXPECT_LE(bytes[3] & 0x3, bytes.size() - 4) << file << ": padding count";
            }
        }
    }
    EXPECT_GT(payloads, 0u);
}

}  // namespace
}  // namespace Quorvel::InteropPeers::test
