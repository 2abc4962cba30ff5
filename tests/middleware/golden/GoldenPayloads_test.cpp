// Our codec against the payloads Cyclone DDS wrote for the rich test type: every committed
// payload (each encoding, both byte orders) decodes to exactly the values Cyclone recorded,
// gives Cyclone's key hash, and re-encodes in its own encapsulation to bytes that decode to the
// same values (XCDR1 and plain or delimited XCDR2: to Cyclone's very bytes).

#include "support/ExactJson.h"
#include "support/GoldenCorpus.h"

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicType.h"

#include <gtest/gtest.h>

#include <set>

namespace Quorvel::golden {
namespace {

using xtypes::DynamicData;

const std::filesystem::path kDataDir = VELTRANE_TEST_DATA_DIR;
const std::filesystem::path kGoldenDir = kDataDir / "golden" / "rich";

const xml::TypeLibrary& RichTypes() {
    static const xml::TypeLibrary library = LoadRichTypes(kDataDir / "types" / "rich");
    return library;
}

// Listing happens while tests register: a broken corpus must not abort the program, it must
// fail CorpusCoversEveryCommittedPayload.
template <typename List>
auto ListOrEmpty(List list) -> decltype(list(kGoldenDir)) {
    try {
        return list(kGoldenDir);
    } catch (const std::exception&) {
        return {};
    }
}

std::string TestName(std::string file) {
    for (char& c : file)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return file;
}

void ExpectValue(const nlohmann::ordered_json& expected, const DynamicData& sample) {
    const std::string text = xtypes::ToText(sample);
    const auto differences = ExactDifferences(expected, nlohmann::ordered_json::parse(text));
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences) << "\n decoded: " << text;
}

// In a mutable type we frame a string or sequence member with length code 4 and a separate
// NEXTINT where Cyclone uses code 5: equally valid, so such payloads need not match Cyclone's
// bytes, only its values.
bool NestsMutableType(const xtypes::DynamicType& type) {
    const xtypes::DynamicType& resolved = type.Resolve();
    switch (resolved.kind()) {
        case xtypes::TypeKind::ARRAY:
        case xtypes::TypeKind::SEQUENCE: return NestsMutableType(*resolved.content_type());
        case xtypes::TypeKind::STRUCTURE:
        case xtypes::TypeKind::UNION:
            if (resolved.extensibility() == xtypes::Extensibility::MUTABLE) return true;
            for (const xtypes::Member& member : resolved.all_members())
                if (NestsMutableType(*member.type)) return true;
            return false;
        default: return false;
    }
}

class GoldenPayloadTest : public ::testing::TestWithParam<GoldenPayload> {
protected:
    void SetUp() override {
        bytes_ = ReadBytes(kGoldenDir / GetParam().file);
        type_ = FindType(RichTypes(), GetParam().typeName);
    }

    std::vector<uint8_t> bytes_;
    xtypes::DynamicTypePtr type_;
};

TEST_P(GoldenPayloadTest, DecodesToCyclonesValuesAndKeyHash) {
    const GoldenPayload& golden = GetParam();
    DynamicData sample(type_);
    const cdr::Encapsulation encapsulation = cdr::from_cdr_buffer(sample, bytes_);
    EXPECT_EQ(encapsulation.version, golden.version);
    EXPECT_EQ(encapsulation.order, golden.order);
    ExpectValue(golden.value, sample);
    EXPECT_EQ(Hex(cdr::compute_key_hash(sample, encapsulation.version)), golden.keyHash);
    EXPECT_EQ(Hex(cdr::compute_key_hash(sample)), golden.keyHashXcdr2);
}

TEST_P(GoldenPayloadTest, ReencodesInItsEncapsulationToTheSameValues) {
    const GoldenPayload& golden = GetParam();
    DynamicData sample(type_);
    const cdr::Encapsulation original = cdr::from_cdr_buffer(sample, bytes_);
    const std::vector<uint8_t> ours = cdr::to_cdr_buffer(sample, {golden.version, golden.order});

    DynamicData again(type_);
    const cdr::Encapsulation reencoded = cdr::from_cdr_buffer(again, ours);
    EXPECT_EQ(reencoded.version, original.version);
    EXPECT_EQ(reencoded.order, original.order);
    EXPECT_EQ(reencoded.kind, original.kind);
    ExpectValue(golden.value, again);

    if (!NestsMutableType(*type_)) {
        EXPECT_EQ(ours, bytes_);
    }
}

INSTANTIATE_TEST_SUITE_P(Cyclone, GoldenPayloadTest, ::testing::ValuesIn(ListOrEmpty(ListGoldenPayloads)),
                         [](const auto& info) { return TestName(info.param.file); });

class GoldenEvolutionTest : public ::testing::TestWithParam<EvolutionCase> {};

TEST_P(GoldenEvolutionTest, ReadsAsTheOtherVersionLikeCyclone) {
    const EvolutionCase& golden = GetParam();
    DynamicData sample(FindType(RichTypes(), golden.readAs));
    const cdr::Encapsulation encapsulation = cdr::from_cdr_buffer(sample, ReadBytes(kGoldenDir / golden.payload));
    ExpectValue(golden.value, sample);
    EXPECT_EQ(Hex(cdr::compute_key_hash(sample, encapsulation.version)), golden.keyHash);
}

INSTANTIATE_TEST_SUITE_P(Cyclone, GoldenEvolutionTest, ::testing::ValuesIn(ListOrEmpty(ListEvolutionCases)),
                         [](const auto& info) { return TestName(info.param.payload + "_as_" + info.param.readAs); });

// Every committed payload belongs to a sample of a value document, so none escapes the tests
// above; and the corpus still holds what the README lists (40 payloads, 8 evolution cases).
TEST(GoldenCorpus, CorpusCoversEveryCommittedPayload) {
    std::set<std::string> committed;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir))
        if (entry.path().extension() == ".bin") committed.insert(entry.path().filename().string());
    std::set<std::string> listed;
    for (const GoldenPayload& payload : ListGoldenPayloads(kGoldenDir)) listed.insert(payload.file);
    EXPECT_EQ(listed, committed);
    EXPECT_EQ(listed.size(), 40u);
    EXPECT_EQ(ListEvolutionCases(kGoldenDir).size(), 8u);
}

}  // namespace
}  // namespace Quorvel::golden
