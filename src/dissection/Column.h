#pragma once

// One flattened position of a data type: a container node (structure, union, array,
// sequence) or a leaf that carries one value. A type's ordered column list is the single
// description that dissection, output building and introspection walk.

#include "ddsconfig/DDSXmlMetadata.h"
#include "middleware/xtypes/DynamicType.h"

#include <quorvel/TypeDescription.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace Quorvel {

// What one union member is selected by: its labels, name, type and selector text.
using UnionMemberTuple =
    std::tuple<std::vector<std::int64_t>, std::string, xtypes::DynamicTypePtr, std::string>;

struct Column {
  xtypes::TypeKind typeKind = xtypes::TypeKind::NO_TYPE;
  std::string memberName;
  std::string ddsTypeName;
  std::optional<std::string> enclosingTypeName;
  std::uint64_t typeSize = 0;
  std::uint64_t bufferSize = 0;
  std::optional<std::uint64_t> bound;
  bool isUnboundedSequence = false;
  xtypes::DynamicTypePtr elementType;
  xtypes::DynamicTypePtr baseType;
  bool isKey = false;
  bool isOptional = false;
  bool isNode = false;
  std::uint64_t depth = 0;
  std::vector<std::string> nestedNames;
  std::uint64_t memberIndex = 0;
  std::vector<std::uint64_t> indexList;
  std::string indexSuffix;
  std::string unionSelector;
  std::vector<std::int64_t> unionLabels;
  std::set<std::int64_t> unionLabelSet;
  std::optional<std::map<std::int64_t, std::uint32_t>> unionLabelToMemberId;
  std::optional<std::map<std::int64_t, UnionMemberTuple>> unionMembers;
  std::map<std::int32_t, Enumerator> enumerators;
  Enumerator defaultEnumerator;
  std::optional<ddsconfig::DDSXmlMetadata> metadata;
  std::string nestedNameConcatenated;
  std::string nestedNameWithoutDiscriminators;
  // "SampleData." + nestedNameWithoutDiscriminators cut at every "[i]": the flat-map key of a
  // value is these pieces joined by the current sequence indexes, with no search at run time.
  std::vector<std::string> flatKeyPieces;
  // memberName as a quoted JSON key with its colon, escaped once for every sample.
  std::string jsonKey;

  const xtypes::DynamicTypePtr& DT() const { return dynamicType; }
  void DT(xtypes::DynamicTypePtr type) { dynamicType = std::move(type); }

  // Fills nestedNameConcatenated, nestedNameWithoutDiscriminators and flatKeyPieces from
  // nestedNames, and jsonKey from memberName.
  void BuildNestedNameConcatenated();

 private:
  xtypes::DynamicTypePtr dynamicType;
};

using ColumnList = std::vector<std::unique_ptr<Column>>;

// False for the kinds that the column list gives no column (bitsets and anything unknown), so
// walkers of a type and its columns skip those members in step.
bool KindHasColumns(xtypes::TypeKind kind);
// The single column of a collection whose elements are one value each (its last name is "[]").
bool IsOneValueColumn(const Column& column);

}  // namespace Quorvel
