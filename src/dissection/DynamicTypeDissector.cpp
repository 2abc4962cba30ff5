#include "dissection/DynamicTypeDissector.h"

#include "dissection/ColumnMetadata.h"


namespace Quorvel {

namespace {

using xtypes::DynamicType;
using xtypes::TypeKind;

// The "unbounded" value that bounds of unbounded strings and sequences are reported with.
constexpr std::uint64_t kUnboundedValue = 2147483647;
// Length notation of a collection node in the row buffer.
constexpr std::uint64_t kLengthNotationSize = 4;
// Room for the terminator and length notation of a string in the row buffer.
constexpr std::uint64_t kStringOverhead = 5;

const char* PrimitiveLabel(TypeKind kind) {
  switch (kind) {
    case TypeKind::BOOLEAN: return "DDS_Boolean";
    case TypeKind::BYTE: return "DDS_Octet";
    case TypeKind::INT16: return "DDS_Short";
    case TypeKind::UINT16: return "DDS_UnsignedShort";
    case TypeKind::INT32: return "DDS_Long";
    case TypeKind::UINT32: return "DDS_UnsignedLong";
    case TypeKind::INT64: return "DDS_LongLong";
    case TypeKind::UINT64: return "DDS_UnsignedLongLong";
    case TypeKind::FLOAT32: return "DDS_Float";
    case TypeKind::FLOAT64: return "DDS_Double";
    case TypeKind::FLOAT128: return "DDS_LongDouble";
    case TypeKind::CHAR8: return "DDS_Char";
    case TypeKind::CHAR16: return "DDS_Wchar";
    case TypeKind::INT8: return "DDS_Int8";
    default: return "";
  }
}

std::uint64_t BoundOrUnbounded(std::uint32_t bound) {
  return bound == xtypes::kUnbounded ? kUnboundedValue : bound;
}

// Bytes a bitmask value occupies: its holder's size.
std::uint64_t BitmaskSize(const DynamicType& bitmask) {
  const std::uint32_t bits = bitmask.bit_bound();
  return bits <= 8 ? 1 : bits <= 16 ? 2 : bits <= 32 ? 4 : 8;
}

// One step down the path. What describes only the parent's own position (its union selection,
// its enumerators, its discriminator tables) is not inherited.
void StepInto(Column& child, const std::string& component, std::uint64_t memberIndex) {
  child.unionSelector.clear();
  child.unionLabels.clear();
  child.unionLabelSet.clear();
  child.unionLabelToMemberId.reset();
  child.unionMembers.reset();
  child.depth += 1;
  child.nestedNames.push_back(component);
  child.memberIndex = memberIndex;
  child.indexList.push_back(memberIndex);
}

std::string ArrayIndexComponent(std::uint32_t index) { return "[" + std::to_string(index) + "]"; }

std::string SelectorText(const std::vector<std::int64_t>& labels) {
  std::string text = "{_d=";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (i > 0) text += '/';
    text += std::to_string(labels[i]);
  }
  return text + "}";
}

}  // namespace

int DynamicTypeDissector::DissectDynamicType(const xtypes::DynamicTypePtr& type,
                                             ColumnList& columns,
                                             const FlatteningOptions& options) {
  Column root;
  root.memberName = type->name();
  root.depth = 1;
  root.isNode = true;
  DissectDynamicTypeRecursive(type, std::move(root), columns, options);
  return 1;
}

void DynamicTypeDissector::Append(const Column& column, ColumnList& columns) {
  columns.push_back(std::make_unique<Column>(column));
}

void DynamicTypeDissector::DissectDynamicTypeRecursive(const xtypes::DynamicTypePtr& type,
                                                       Column column, ColumnList& columns,
                                                       const FlatteningOptions& options) {
  const DynamicType& t = *type;
  column.typeKind = t.kind();
  column.DT(type);
  if (t.IsPrimitive()) {
    column.typeSize = column.bufferSize = xtypes::PrimitiveSize(t.kind());
    column.ddsTypeName = PrimitiveLabel(t.kind());
    column.isNode = false;
    Append(column, columns);
    return;
  }
  switch (t.kind()) {
    case TypeKind::STRING:
    case TypeKind::WSTRING: {
      const bool wide = t.kind() == TypeKind::WSTRING;
      const std::uint64_t bound = BoundOrUnbounded(t.bound());
      const bool unbounded = bound == kUnboundedValue;
      column.bound = bound;
      column.typeSize = (wide && !unbounded) ? 2 * bound : bound;
      column.bufferSize = unbounded ? bound : column.typeSize + kStringOverhead;
      column.ddsTypeName = wide ? "WSTRING_TYPE" : "STRING_TYPE";
      column.isNode = false;
      Append(column, columns);
      return;
    }
    case TypeKind::ENUMERATION:
      column.enclosingTypeName = t.name();
      column.ddsTypeName = "ENUMERATION_TYPE";
      column.typeSize = column.bufferSize = 4;
      column.isNode = false;
      ColumnMetadata::CompleteEnumeration(column, t, options.metadata);
      Append(column, columns);
      return;
    case TypeKind::BITMASK:
      // Shown as the unsigned number of its set bits, like the integer it is stored in.
      column.enclosingTypeName = t.name();
      column.ddsTypeName = "BITMASK_TYPE";
      column.typeSize = column.bufferSize = BitmaskSize(t);
      column.isNode = false;
      Append(column, columns);
      return;
    case TypeKind::ALIAS:
      DissectDynamicTypeRecursive(t.related_type(), std::move(column), columns, options);
      return;
    case TypeKind::ARRAY: DissectArray(t, column, columns, options); return;
    case TypeKind::SEQUENCE: DissectSequence(t, column, columns, options); return;
    case TypeKind::UNION: DissectUnion(t, column, columns, options); return;
    case TypeKind::STRUCTURE: DissectStructure(t, column, columns, options); return;
    default: return;  // bitsets and other kinds have no column
  }
}

void DynamicTypeDissector::DissectArray(const DynamicType& array, Column& column,
                                        ColumnList& columns, const FlatteningOptions& options) {
  const xtypes::DynamicTypePtr element = array.content_type()->ResolvePtr(array.content_type());
  Column node = column;
  node.ddsTypeName = "ARRAY_TYPE";
  node.typeSize = 0;
  node.bufferSize = kLengthNotationSize;
  node.bound = array.total_element_count();
  node.elementType = element;
  node.isNode = true;
  Append(node, columns);

  column.typeKind = element->kind();
  column.DT(element);
  column.isNode = false;
  const bool charAsText = element->kind() == TypeKind::CHAR8 &&
                          options.charArrayFormat == CharArrayFormat::STRING;
  const bool octetsAsBuffer = element->kind() == TypeKind::BYTE &&
                              options.byteArrayFormat == ByteArrayFormat::BUFFER;
  if (charAsText || octetsAsBuffer) {
    Column value = column;
    StepInto(value, "[]", 0);
    value.typeSize = value.bufferSize = array.dimension(0);
    value.ddsTypeName = charAsText ? "DDS_Char" : "DDS_Octet";
    value.indexSuffix += "[]";
    Append(value, columns);
    return;
  }
  if (array.dimension_count() == 1) {
    for (std::uint32_t i = 0; i < array.dimension(0); ++i) {
      Column child = column;
      const std::string component = ArrayIndexComponent(i);
      StepInto(child, component, i);
      child.indexSuffix += component;
      DissectDynamicTypeRecursive(element, std::move(child), columns, options);
    }
  } else if (array.dimension_count() == 2) {
    const std::uint32_t rows = array.dimension(0);
    const std::uint32_t cols = array.dimension(1);
    for (std::uint32_t i = 0; i < rows; ++i) {
      for (std::uint32_t j = 0; j < cols; ++j) {
        Column child = column;
        const std::string component = ArrayIndexComponent(i) + ArrayIndexComponent(j);
        StepInto(child, component, static_cast<std::uint64_t>(i) * cols + j);
        child.indexSuffix += component;
        DissectDynamicTypeRecursive(element, std::move(child), columns, options);
      }
    }
  }
  // Three or more dimensions: the node alone.
}

void DynamicTypeDissector::DissectSequence(const DynamicType& sequence, Column& column,
                                           ColumnList& columns, const FlatteningOptions& options) {
  const xtypes::DynamicTypePtr element =
      sequence.content_type()->ResolvePtr(sequence.content_type());
  Column node = column;
  node.ddsTypeName = "SEQUENCE_TYPE";
  node.typeSize = 0;
  node.bufferSize = kLengthNotationSize;
  node.bound = BoundOrUnbounded(sequence.bound());
  node.isUnboundedSequence = *node.bound == kUnboundedValue;
  node.elementType = element;
  node.isNode = true;
  Append(node, columns);

  Column child = column;
  child.typeKind = element->kind();
  child.DT(element);
  child.isNode = false;
  StepInto(child, "[i]", 0);
  child.indexSuffix += "[i]";
  DissectDynamicTypeRecursive(element, std::move(child), columns, options);
}

void DynamicTypeDissector::DissectUnion(const DynamicType& unionType, Column& column,
                                        ColumnList& columns, const FlatteningOptions& options) {
  const std::vector<xtypes::Member>& cases = unionType.members();
  Column node = column;
  node.enclosingTypeName = unionType.name();
  node.ddsTypeName = "UNION_TYPE";
  node.typeSize = node.bufferSize = 0;
  node.bound = cases.size();
  node.isNode = true;
  ColumnMetadata::CompleteUnionNode(node, options.metadata);
  Append(node, columns);

  Column discriminator = column;
  discriminator.memberName = "discriminator";
  StepInto(discriminator, "discriminator", 0);
  discriminator.isKey = discriminator.isOptional = false;
  discriminator.metadata.reset();
  discriminator.unionLabelToMemberId.emplace();
  discriminator.unionMembers.emplace();
  for (const xtypes::Member& member : cases) {
    const std::string selector = SelectorText(member.labels);
    for (std::int64_t label : member.labels) {
      discriminator.unionLabelToMemberId->emplace(label, member.id);
      discriminator.unionMembers->emplace(
          label, UnionMemberTuple{member.labels, member.name, member.type, selector});
    }
  }
  ColumnMetadata::CompleteUnionMember(discriminator, unionType.name(), options.metadata);
  DissectDynamicTypeRecursive(unionType.discriminator(), std::move(discriminator), columns,
                              options);

  for (const xtypes::Member& member : cases) {
    Column child = column;
    child.memberName = member.name;
    child.isKey = child.isOptional = false;
    child.metadata.reset();
    const std::string selector = SelectorText(member.labels);
    StepInto(child, selector + member.name, member.id);
    child.unionSelector = selector;
    child.unionLabels = member.labels;
    child.unionLabelSet = std::set<std::int64_t>(member.labels.begin(), member.labels.end());
    ColumnMetadata::CompleteUnionMember(child, unionType.name(), options.metadata);
    DissectDynamicTypeRecursive(member.type, std::move(child), columns, options);
  }
}

void DynamicTypeDissector::DissectStructure(const DynamicType& structure, Column& column,
                                            ColumnList& columns,
                                            const FlatteningOptions& options) {
  Column node = column;
  node.enclosingTypeName = structure.name();
  node.ddsTypeName = "STRUCTURE_TYPE";
  node.typeSize = node.bufferSize = 0;
  node.isNode = true;
  if (structure.has_parent()) node.baseType = structure.parent();
  ColumnMetadata::CompleteStructureNode(node, options.metadata);
  Append(node, columns);
  // Inherited members sit at the same level as the structure's own.
  if (structure.has_parent())
    DissectDynamicTypeRecursive(structure.parent(), column, columns, options);

  for (const xtypes::Member& member : structure.members()) {
    Column child = column;
    child.memberName = member.name;
    child.isNode = false;
    StepInto(child, member.name, member.id);
    child.isKey = member.key;
    child.isOptional = member.optional;
    child.metadata.reset();
    ColumnMetadata::CompleteStructureMember(child, structure.name(), options.metadata);
    DissectDynamicTypeRecursive(member.type, std::move(child), columns, options);
  }
}

}  // namespace Quorvel
