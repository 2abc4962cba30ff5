// Flattening of types into columns: order, names, sizes, selectors and the processor tables.

#include "dissection/DynamicTypeDissector.h"
#include "dissection/TypeProcessor.h"
#include "dissection/support/DissectionFixture.h"
#include "ddsconfig/TypeFileMetadata.h"

#include <gtest/gtest.h>

namespace Quorvel {
namespace {

using test::ColumnNames;
using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::Member;
using xtypes::TypeKind;

DynamicTypePtr Prim(TypeKind kind) { return DynamicType::Primitive(kind); }

Member M(std::string name, DynamicTypePtr type) {
  Member m;
  m.name = std::move(name);
  m.type = std::move(type);
  return m;
}

Member Case(std::string name, DynamicTypePtr type, std::vector<std::int64_t> labels) {
  Member m = M(std::move(name), std::move(type));
  m.labels = std::move(labels);
  return m;
}

DynamicTypePtr Struct(std::string name, std::vector<Member> members, DynamicTypePtr parent = nullptr) {
  return DynamicType::Structure(std::move(name), std::move(members), Extensibility::FINAL,
                                std::move(parent));
}

TypeProcessor Flatten(const DynamicTypePtr& type, const test::Formats& formats = {}) {
  return TypeProcessor(type->name(), type, formats.Flattening());
}

const Column& Named(const TypeProcessor& processor, const std::string& name) {
  for (const auto& column : processor.Columns())
    if (column->nestedNameConcatenated == name) return *column;
  throw std::runtime_error("no column " + name);
}

TEST(TypeFlattening, ColumnListsInDepthFirstDeclarationOrder) {
  const DynamicTypePtr point = Struct("P", {M("x", Prim(TypeKind::FLOAT64)), M("y", Prim(TypeKind::FLOAT64))});
  const DynamicTypePtr unionType = DynamicType::Union(
      "U", Prim(TypeKind::INT32),
      {Case("a", Prim(TypeKind::INT32), {1}), Case("b", DynamicType::String(8), {2, 3})},
      Extensibility::FINAL);
  struct Case_ {
    const char* what;
    DynamicTypePtr member;
    std::vector<std::string> names;
  };
  const std::vector<Case_> cases = {
      {"nested structure", point, {"", "a", "m", "m.x", "m.y"}},
      {"array of three", DynamicType::Array(Prim(TypeKind::INT32), {3}),
       {"", "a", "m", "m[0]", "m[1]", "m[2]"}},
      {"two-dimensional array", DynamicType::Array(Prim(TypeKind::INT16), {2, 3}),
       {"", "a", "m", "m[0][0]", "m[0][1]", "m[0][2]", "m[1][0]", "m[1][1]", "m[1][2]"}},
      {"sequence of structures, one template", DynamicType::Sequence(point, 100),
       {"", "a", "m", "m[i]", "m[i].x", "m[i].y"}},
      {"sequence of sequences", DynamicType::Sequence(DynamicType::Sequence(Prim(TypeKind::INT32))),
       {"", "a", "m", "m[i]", "m[i][i]"}},
      {"union", unionType, {"", "a", "m", "m.discriminator", "m.{_d=1}a", "m.{_d=2/3}b"}},
      {"alias of a string", DynamicType::Alias("Name", DynamicType::String(16)), {"", "a", "m"}},
      {"three-dimensional array: node only",
       DynamicType::Array(Prim(TypeKind::INT32), {2, 2, 2}), {"", "a", "m"}},
      {"bitset: no column",
       DynamicType::Bitset("Bits", {{"f", 3, TypeKind::BYTE}}), {"", "a"}},
  };
  for (const Case_& c : cases) {
    const TypeProcessor processor =
        Flatten(Struct("T", {M("a", Prim(TypeKind::INT32)), M("m", c.member)}));
    EXPECT_EQ(ColumnNames(processor), c.names) << c.what;
  }
}

TEST(TypeFlattening, ColumnFieldsFollowThePath) {
  const DynamicTypePtr type = Struct(
      "T", {M("grid", DynamicType::Array(Prim(TypeKind::INT16), {2, 3})),
            M("list", DynamicType::Sequence(Struct("E", {M("name", DynamicType::String())}), 5))});
  const TypeProcessor processor = Flatten(type);
  const Column& cell = Named(processor, "grid[1][2]");
  EXPECT_EQ(cell.memberIndex, 5u);
  EXPECT_EQ(cell.depth, 3u);
  EXPECT_EQ(cell.indexSuffix, "[1][2]");
  EXPECT_EQ(cell.indexList, (std::vector<std::uint64_t>{0, 5}));
  EXPECT_EQ(cell.ddsTypeName, "DDS_Short");
  EXPECT_FALSE(cell.isNode);

  const Column& list = Named(processor, "list");
  EXPECT_TRUE(list.isNode);
  EXPECT_EQ(list.ddsTypeName, "SEQUENCE_TYPE");
  EXPECT_EQ(*list.bound, 5u);
  EXPECT_FALSE(list.isUnboundedSequence);
  EXPECT_EQ(list.bufferSize, 4u);

  const Column& name = Named(processor, "list[i].name");
  EXPECT_EQ(name.depth, 4u);
  EXPECT_EQ(name.flatKeyPieces, (std::vector<std::string>{"SampleData.list", ".name"}));
  EXPECT_EQ(*name.bound, 2147483647u);
  EXPECT_EQ(name.bufferSize, 2147483647u);
  EXPECT_EQ(processor.Columns().front()->nestedNameConcatenated, "");
  EXPECT_EQ(processor.Columns().front()->memberName, "T");
}

TEST(TypeFlattening, CharAndOctetArraysAsOneValueByFormat) {
  const DynamicTypePtr type = Struct("T", {M("c", DynamicType::Array(Prim(TypeKind::CHAR8), {16})),
                                           M("o", DynamicType::Array(Prim(TypeKind::BYTE), {3}))});
  test::Formats text;
  text.charArray = CharArrayFormat::STRING;
  text.byteArray = ByteArrayFormat::BUFFER;
  const TypeProcessor oneValue = Flatten(type, text);
  EXPECT_EQ(ColumnNames(oneValue), (std::vector<std::string>{"", "c", "c[]", "o", "o[]"}));
  EXPECT_EQ(Named(oneValue, "c[]").typeSize, 16u);
  EXPECT_EQ(Named(oneValue, "c[]").ddsTypeName, "DDS_Char");
  EXPECT_EQ(Named(oneValue, "o[]").bufferSize, 3u);
  EXPECT_EQ(Named(oneValue, "o[]").ddsTypeName, "DDS_Octet");

  const TypeProcessor elements = Flatten(type);
  EXPECT_EQ(elements.Columns().size(), 1u + 1 + 16 + 1 + 3);
  EXPECT_EQ(elements.Columns()[17]->nestedNameConcatenated, "c[15]");
}

TEST(TypeFlattening, UnionColumnsCarrySelectorsAndLabelTables) {
  const DynamicTypePtr type = DynamicType::Union(
      "U", Prim(TypeKind::INT16),
      {Case("a", Prim(TypeKind::INT32), {1}), Case("b", Prim(TypeKind::FLOAT32), {2, 3}),
       Case("neg", Prim(TypeKind::BYTE), {-7})},
      Extensibility::FINAL);
  const TypeProcessor processor = Flatten(Struct("T", {M("u", type)}));
  const Column& discriminator = Named(processor, "u.discriminator");
  EXPECT_EQ(discriminator.memberName, "discriminator");
  EXPECT_EQ(*discriminator.unionLabelToMemberId,
            (std::map<std::int64_t, std::uint32_t>{{-7, 2}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(std::get<1>(discriminator.unionMembers->at(3)), "b");
  EXPECT_EQ(std::get<3>(discriminator.unionMembers->at(3)), "{_d=2/3}");

  const std::vector<std::pair<std::string, std::string>> names = {
      {"u.{_d=1}a", "u.a"}, {"u.{_d=2/3}b", "u.{_d=2/3}b"}, {"u.{_d=-7}neg", "u.{_d=-7}neg"}};
  for (const auto& [full, stripped] : names) {
    const Column& member = Named(processor, full);
    EXPECT_EQ(member.nestedNameWithoutDiscriminators, stripped);
    EXPECT_FALSE(member.isKey);
  }
  EXPECT_EQ(Named(processor, "u.{_d=2/3}b").unionSelector, "{_d=2/3}");
  EXPECT_EQ(Named(processor, "u.{_d=2/3}b").unionLabels, (std::vector<std::int64_t>{2, 3}));
  EXPECT_EQ(*Named(processor, "u").bound, 3u);
}

TEST(TypeFlattening, InheritedMembersShareTheDerivedPath) {
  const DynamicTypePtr base = Struct("B", {M("id", Prim(TypeKind::INT64))});
  const DynamicTypePtr derived = Struct("D", {M("x", Prim(TypeKind::INT32))}, base);
  const TypeProcessor processor = Flatten(Struct("T", {M("d", derived)}));
  EXPECT_EQ(ColumnNames(processor), (std::vector<std::string>{"", "d", "d", "d.id", "d.x"}));
  EXPECT_EQ(processor.Columns()[1]->baseType, base);
  EXPECT_EQ(processor.GetTypeKindByLongMemberName("d"), TypeKind::STRUCTURE);
}

TEST(TypeProcessor, RowSizeTablesAndUnknownNames) {
  const DynamicTypePtr type =
      Struct("T", {M("b", Prim(TypeKind::BOOLEAN)), M("s", Prim(TypeKind::INT16)),
                   M("l", Prim(TypeKind::INT64)), M("d", Prim(TypeKind::FLOAT64)),
                   M("w", Prim(TypeKind::CHAR16)), M("n", DynamicType::String(10)),
                   M("e", DynamicType::Enumeration("E", {{"A", 0}, {"B", 5}}))});
  const TypeProcessor processor(type->name(), type, FlatteningOptions{}, 100);
  EXPECT_EQ(processor.RowBufferSize(), 1u + 2 + 8 + 8 + 2 + (10 + 5) + 4 + 100);
  EXPECT_EQ(processor.GetTypeSizeByLongMemberName("n"), 15u);
  EXPECT_EQ(processor.GetTypeKindByLongMemberName("e"), TypeKind::ENUMERATION);
  EXPECT_EQ(processor.GetTypeSizeByLongMemberName("missing"), 0u);
  EXPECT_EQ(processor.GetTypeKindByLongMemberName("missing"), TypeKind::NO_TYPE);
  const Column& e = Named(processor, "e");
  ASSERT_EQ(e.enumerators.size(), 2u);
  EXPECT_EQ(e.enumerators.at(5).name, "B");
  EXPECT_EQ(e.defaultEnumerator.name, "A");

  EXPECT_THROW(TypeProcessor("Nothing", nullptr, FlatteningOptions{}), std::runtime_error);
}

TEST(TypeFlattening, TypeFileMetadataReachesColumns) {
  ddsconfig::TypeFileMetadata metadata;
  metadata.structures["M::T"] = "a track";
  metadata.members["M::T::speed"].unit = "m/s";
  metadata.members["M::U::discriminator"].description = "selector";
  metadata.members["M::U::a"].max = "9";
  ddsconfig::EnumerationMetadata level;
  level.enumerators = {"M::Level::LOW", "M::Level::HIGH"};
  level.defaultLiteral = "M::Level::HIGH";
  level.defaultLiteralFlagged = true;
  metadata.enumerations["M::Level"] = level;

  const DynamicTypePtr unionType = DynamicType::Union(
      "M::U", Prim(TypeKind::INT32), {Case("a", Prim(TypeKind::INT32), {1})}, Extensibility::FINAL);
  const DynamicTypePtr type = Struct(
      "M::T", {M("speed", Prim(TypeKind::FLOAT32)), M("u", unionType),
               M("level", DynamicType::Enumeration("M::Level", {{"LOW", 0}, {"HIGH", 1}}))});
  const TypeProcessor processor(type->name(), type, FlatteningOptions{{}, {}, &metadata});
  EXPECT_EQ(processor.Columns()[0]->metadata->description, "a track");
  EXPECT_EQ(Named(processor, "speed").metadata->unit, "m/s");
  EXPECT_EQ(Named(processor, "u.discriminator").metadata->description, "selector");
  EXPECT_EQ(Named(processor, "u.{_d=1}a").metadata->max, "9");
  EXPECT_FALSE(Named(processor, "u").metadata.has_value());
  const Column& level_ = Named(processor, "level");
  EXPECT_EQ(level_.defaultEnumerator.name, "HIGH");
  EXPECT_TRUE(level_.enumerators.at(1).isDefaultLiteral);
  EXPECT_FALSE(level_.enumerators.at(0).isDefaultLiteral);
}

}  // namespace
}  // namespace Quorvel
