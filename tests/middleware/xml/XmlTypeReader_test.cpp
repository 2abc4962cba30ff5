// Loads the type library of tests/data/types and checks every type it builds, exactly.

#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Quorvel::xml::test {
namespace {

using xtypes::DynamicType;
using xtypes::Extensibility;
using xtypes::TypeKind;

TypeLibrary LoadSystem() {
    XmlTypeReader reader;
    reader.ReadFile(TypesDir() / "system.xml");
    return reader.BuildLibrary();
}

class XmlTypeReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = new TypeLibrary(LoadSystem()); }
    static void TearDownTestSuite() {
        delete library_;
        library_ = nullptr;
    }
    static const DynamicType& Type(const std::string& name) { return Get(*library_, name); }
    static TypeLibrary* library_;
};
TypeLibrary* XmlTypeReaderTest::library_ = nullptr;

TEST_F(XmlTypeReaderTest, DeclarationOrderFollowsIncludesAndEachFileIsReadOnce) {
    // constants.xml is reached three times; a second read would declare its consts twice.
    const std::vector<std::string> expected{
        "Common::Name", "Common::Label", "Common::Identifier", "Common::Status", "Common::Time",
        "Common::StatusFlags", "Common::PackedHeader",
        "Geo::Point", "Geo::Point3D", "Geo::Polygon", "Geo::Matrix3", "Geo::Projection::Kind",
        "Geo::Projection::Grid",
        "Geo::Track", "Geo::TrackValue", "Geo::TrackBase",
        "Sensors::SmallCount", "Sensors::ReadingSeq", "Sensors::CharChoice", "Sensors::FlagChoice",
        "Sensors::ShortChoice", "Sensors::OctetChoice", "Sensors::WideChoice", "Sensors::KindChoice",
        "Sensors::Sensor",
        "Heartbeat"};
    EXPECT_EQ(library_->Names(), expected);
}

TEST_F(XmlTypeReaderTest, TypedefChainsResolveToTheBoundedString) {
    const DynamicType& identifier = Type("Common::Identifier");
    ASSERT_EQ(identifier.kind(), TypeKind::ALIAS);
    EXPECT_EQ(identifier.related_type()->name(), "Common::Label");
    EXPECT_EQ(identifier.related_type()->related_type()->name(), "Common::Name");
    const DynamicType& resolved = identifier.Resolve();
    EXPECT_EQ(resolved.kind(), TypeKind::STRING);
    EXPECT_EQ(resolved.bound(), 64u);
    // The chain shares the very type objects of the library.
    EXPECT_EQ(identifier.related_type(), library_->Find("Common::Label"));
}

TEST_F(XmlTypeReaderTest, TypedefsCarrySequenceAndArrayShapes) {
    const DynamicType& polygon = Type("Geo::Polygon").Resolve();
    ASSERT_EQ(polygon.kind(), TypeKind::SEQUENCE);
    EXPECT_EQ(polygon.bound(), 32u);  // the const is written in hexadecimal
    EXPECT_EQ(polygon.content_type(), library_->Find("Geo::Point"));

    const DynamicType& matrix = Type("Geo::Matrix3").Resolve();
    ASSERT_EQ(matrix.kind(), TypeKind::ARRAY);
    EXPECT_EQ(matrix.dimensions(), (std::vector<uint32_t>{3, 3}));
    EXPECT_EQ(matrix.total_element_count(), 9u);
    EXPECT_EQ(matrix.content_type()->kind(), TypeKind::FLOAT64);

    const DynamicType& readings = Type("Sensors::ReadingSeq").Resolve();
    ASSERT_EQ(readings.kind(), TypeKind::SEQUENCE);
    EXPECT_EQ(readings.bound(), xtypes::kUnbounded);
    EXPECT_EQ(readings.content_type()->kind(), TypeKind::FLOAT32);
}

TEST_F(XmlTypeReaderTest, EnumeratorsTakeImplicitAndExplicitValues) {
    const struct {
        std::string type;
        uint32_t bitBound;
        std::vector<std::pair<std::string, int32_t>> enumerators;
    } cases[] = {
        {"Common::Status", 16, {{"UNKNOWN", 0}, {"NOMINAL", 1}, {"DEGRADED", 10}, {"FAILED", 11}}},
        {"Geo::Projection::Kind", 32, {{"UTM", 1}, {"MERCATOR", 2}, {"POLAR", 7}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const DynamicType& type = Type(c.type);
        ASSERT_EQ(type.kind(), TypeKind::ENUMERATION);
        EXPECT_EQ(type.bit_bound(), c.bitBound);
        std::vector<std::pair<std::string, int32_t>> actual;
        for (const auto& e : type.enumerators()) actual.emplace_back(e.name, e.value);
        EXPECT_EQ(actual, c.enumerators);
    }
}

TEST_F(XmlTypeReaderTest, BitmaskAndBitsetAreAccepted) {
    const DynamicType& flags = Type("Common::StatusFlags");
    ASSERT_EQ(flags.kind(), TypeKind::BITMASK);
    EXPECT_EQ(flags.bit_bound(), 8u);
    std::vector<std::pair<std::string, uint16_t>> positions;
    for (const auto& f : flags.flags()) positions.emplace_back(f.name, f.position);
    EXPECT_EQ(positions, (std::vector<std::pair<std::string, uint16_t>>{
                             {"POWERED", 0}, {"CALIBRATED", 1}, {"REMOTE", 5}, {"LOCKED", 6}}));

    const DynamicType& header = Type("Common::PackedHeader");
    ASSERT_EQ(header.kind(), TypeKind::BITSET);
    ASSERT_EQ(header.bitfields().size(), 4u);
    const std::vector<std::tuple<std::string, uint16_t, TypeKind>> expected{
        {"version", 3, TypeKind::BYTE}, {"urgent", 1, TypeKind::BOOLEAN},
        {"", 4, TypeKind::BYTE}, {"channel", 12, TypeKind::UINT16}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(header.bitfields()[i].name, std::get<0>(expected[i]));
        EXPECT_EQ(header.bitfields()[i].bitCount, std::get<1>(expected[i]));
        EXPECT_EQ(header.bitfields()[i].kind, std::get<2>(expected[i]));
    }
}

TEST_F(XmlTypeReaderTest, StructWithBaseTypeDeclaredLaterInTheSameFile) {
    const DynamicType& track = Type("Geo::Track");
    EXPECT_EQ(track.kind(), TypeKind::STRUCTURE);
    EXPECT_EQ(track.extensibility(), Extensibility::APPENDABLE);
    ASSERT_TRUE(track.has_parent());
    EXPECT_EQ(track.parent(), library_->Find("Geo::TrackBase"));
    EXPECT_EQ(track.members().size(), 12u);
    ExpectMembers(track, {
        {"id", "long", 0, true},
        {"source", "octet", 1, true},
        {"stamp", "Common::Time", 2},
        {"name", "Common::Identifier", 3},
        {"status", "Common::Status", 4},
        {"pos", "Geo::Point3D", 5},
        {"area", "Geo::Polygon", 6},
        {"grid", "short[2][3]", 7},
        {"path", "sequence<Geo::Point, 100>", 8},
        {"tags", "sequence<string<16>, 8>", 9},
        {"history", "sequence<long>[2]", 10},  // array of sequences
        {"note", "string", 11, false, true},
        {"value", "Geo::TrackValue", 12},
        {"alt", "float", 40},
        {"quality", "octet", 41},
    });
    EXPECT_TRUE(track.HasKey());
}

TEST_F(XmlTypeReaderTest, ExtensibilityAndInheritanceOfGeometry) {
    const DynamicType& point3 = Type("Geo::Point3D");
    EXPECT_EQ(point3.extensibility(), Extensibility::FINAL);
    EXPECT_EQ(point3.parent(), library_->Find("Geo::Point"));
    ExpectMembers(point3, {{"x", "double", 0}, {"y", "double", 1}, {"z", "double", 2}});

    const DynamicType& grid = Type("Geo::Projection::Grid");
    EXPECT_EQ(grid.extensibility(), Extensibility::MUTABLE);
    ExpectMembers(grid, {
        {"kind", "Geo::Projection::Kind", 10},
        {"cells", "short[4][4]", 11},  // dimensions from consts of the Common module
        {"origin", "Geo::Point3D", 12},
        {"rotation", "Geo::Matrix3", 13, false, true},
    });
    EXPECT_EQ(Type("Common::Time").extensibility(), Extensibility::FINAL);
    EXPECT_EQ(Type("Heartbeat").extensibility(), Extensibility::FINAL);
    EXPECT_EQ(Type("Sensors::CharChoice").extensibility(), Extensibility::APPENDABLE);  // the default
}

TEST_F(XmlTypeReaderTest, EveryTypeSpellingAndScopedConsts) {
    const DynamicType& sensor = Type("Sensors::Sensor");
    EXPECT_EQ(sensor.extensibility(), Extensibility::MUTABLE);
    ExpectMembers(sensor, {
        {"sensor_id", "unsigned long", 1, true},
        {"name", "string<32>", 2},        // the module's own MAX_NAME_LENGTH shadows the outer one
        {"long_name", "string<64>", 3},   // "::MAX_NAME_LENGTH" names the file-level const
        {"wide_name", "wstring<20>", 4},
        {"symbol", "wchar", 5},
        {"glyph", "wchar", 6},
        {"code_point", "long", 7},
        {"precise", "long double", 8},
        {"precise2", "long double", 9},
        {"raw_byte", "octet", 10},
        {"signed_byte", "int8", 11},
        {"count", "unsigned short", 12},
        {"total", "unsigned long", 13},
        {"offset", "long long", 14},
        {"gain", "double", 100, false, true},
        {"batches", "sequence<Sensors::ReadingSeq, 10>", 101},  // sequence of sequences
        {"history", "Sensors::ReadingSeq[2][2]", 102},
        {"choice", "Sensors::ShortChoice", 103, false, true},
        {"flags", "Common::StatusFlags", 104},
        {"header", "Common::PackedHeader", 105},
    });
}

TEST_F(XmlTypeReaderTest, UnionsOnEveryDiscriminatorKind) {
    const struct {
        std::string type;
        std::string discriminator;
        TypeKind resolvedKind;
        std::vector<ExpectedCase> cases;
        int32_t defaultCase;
    } unions[] = {
        {"Geo::TrackValue", "Common::Status", TypeKind::ENUMERATION,
         {{"speed", "float", {1}}, {"reason", "Common::Name", {10, 11}}, {"raw", "long", {}, true}}, 2},
        {"Sensors::CharChoice", "char", TypeKind::CHAR8,
         {{"a_value", "long", {'a'}}, {"bc_text", "string", {'b', 'c'}}}, -1},
        {"Sensors::FlagChoice", "boolean", TypeKind::BOOLEAN,
         {{"on_value", "long", {1}}, {"off_name", "string<32>", {0}}}, -1},
        {"Sensors::ShortChoice", "Sensors::SmallCount", TypeKind::INT16,
         {{"small_value", "long", {1, 2}}, {"where", "Geo::Point", {-7}}, {"fallback", "octet", {}, true}}, 2},
        {"Sensors::OctetChoice", "octet", TypeKind::BYTE,
         {{"letter", "char", {0}}, {"big", "unsigned long long", {255}}, {"ratio", "float", {}, true}}, 2},
        {"Sensors::WideChoice", "long long", TypeKind::INT64,
         {{"huge", "unsigned long long", {int64_t{1} << 32}}, {"negative", "int8", {-1}}}, -1},
        {"Sensors::KindChoice", "Geo::Projection::Kind", TypeKind::ENUMERATION,
         {{"zone", "unsigned short", {1}}, {"pole", "boolean", {7}}}, -1},
    };
    for (const auto& u : unions) {
        SCOPED_TRACE(u.type);
        const DynamicType& type = Type(u.type);
        EXPECT_EQ(type.discriminator()->name(), u.discriminator);
        EXPECT_EQ(type.discriminator()->Resolve().kind(), u.resolvedKind);
        EXPECT_EQ(type.default_case_index(), u.defaultCase);
        ExpectCases(type, u.cases);
    }
    EXPECT_EQ(Type("Sensors::ShortChoice").extensibility(), Extensibility::MUTABLE);
    EXPECT_EQ(Type("Sensors::ShortChoice").SelectCase(-7), 1);
    EXPECT_EQ(Type("Sensors::ShortChoice").SelectCase(3), 2);
}

TEST(XmlTypeReaderOrder, FilesLoadedInAnyOrderGiveTheSameLibrary) {
    // Directory-walk order is arbitrary: sensors.xml, which uses Geo::Point without including
    // it, may come first; system.xml last includes files already read.
    const TypeLibrary reference = LoadSystem();
    const std::vector<std::string> orders[] = {
        {"sensors/sensors.xml", "geo/track.xml", "common/constants.xml", "system.xml"},
        {"common/base_types.xml", "system.xml", "geo/geometry.xml", "sensors/sensors.xml"},
    };
    for (const auto& order : orders) {
        XmlTypeReader reader;
        for (const std::string& file : order) reader.ReadFile(TypesDir() / file);
        const TypeLibrary library = reader.BuildLibrary();
        EXPECT_EQ(DescribeLibrary(library), DescribeLibrary(reference)) << order.front();
    }
}

TEST(XmlTypeReaderText, TextDocumentResolvesRelativeIncludesAgainstItsBaseDirectory) {
    const std::string text = "<dds><types><include file=\"geo/track.xml\"/><include file=\"" +
                             (TypesDir() / "sensors/sensors.xml").string() + "\"/></types></dds>";
    XmlTypeReader reader;
    reader.ReadText(text, TypesDir());
    reader.ReadFile(TypesDir() / "sensors" / ".." / "geo/track.xml");  // same file, other spelling
    const TypeLibrary library = reader.BuildLibrary();
    EXPECT_EQ(library.size(), 25u);
    EXPECT_NE(library.Find("::Geo::Track"), nullptr);
    EXPECT_EQ(library.Find("Track"), nullptr);
}

TEST(XmlTypeReaderText, EmptyDocumentsGiveAnEmptyLibrary) {
    XmlTypeReader reader;
    reader.ReadText("<dds><types></types></dds>", TypesDir());
    reader.ReadText("<dds><qos_library name=\"L\"/></dds>", TypesDir());
    reader.ReadText("<types/>", TypesDir());
    EXPECT_EQ(reader.BuildLibrary().size(), 0u);
}

}  // namespace
}  // namespace Quorvel::xml::test
