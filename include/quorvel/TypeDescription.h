#pragma once

// Records that describe a type, as answered in TYPE_INTROSPECTION mode.

#include <quorvel/Export.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel {

struct TypeBasicInfo {
  std::string name;  // the qualified type name
  std::string info;  // filled by the type-file walker
  bool nested = false;
};

struct UnionMemberInfo {
  std::vector<std::int64_t> labels;
  std::string name;
  std::string typeName;
  std::uint32_t engineKind = 0;
  std::string engineKindName;
};

struct Enumerator {
  std::int32_t ordinal = 0;
  std::string name;
  std::string description;
  bool isDefaultLiteral = false;

  friend bool operator==(const Enumerator& a, const Enumerator& b) {
    return a.ordinal == b.ordinal && a.name == b.name;
  }
};

// One flattened column of a type; the subclasses add what their kind carries.
struct VELTRANE_API Element {
  virtual ~Element() = default;

  std::string name;
  std::vector<std::string> nestedNames;
  std::string longMemberName;
  std::uint64_t memberIndex = 0;
  std::vector<std::uint64_t> indexList;
  std::uint64_t depth = 0;
  bool isKey = false;
  bool isOptional = false;
  bool isNode = false;
  std::uint32_t engineKind = 0;
  std::string engineKindName;
  std::uint64_t size = 0;
  std::uint64_t bufferSize = 0;
  std::string indexSuffix;
  std::vector<std::int64_t> unionLabels;
  std::vector<UnionMemberInfo> unionMemberInfos;  // discriminator columns only
  std::string description;
  std::string minValue;
  std::string maxValue;
  std::string unit;
  std::string defaultValue;
};

struct VELTRANE_API StringElement : Element {
  std::uint64_t bound = 0;  // 0 when unbounded
};

struct VELTRANE_API CollectionElement : Element {
  std::uint64_t bound = 0;  // 0 when unbounded
  std::uint32_t elementKind = 0;
  std::string elementKindName;
};

struct VELTRANE_API EnumElement : Element {
  std::vector<Enumerator> enumerators;
  std::string enumTypeName;
};

struct VELTRANE_API UnionElement : Element {
  std::uint64_t memberCount = 0;
  std::string unionTypeName;
};

struct VELTRANE_API StructureElement : Element {
  std::string structTypeName;
  std::string baseTypeName;  // empty when the structure has no base
};

struct TypeInfo : TypeBasicInfo {
  std::uint64_t totalSize = 0;
  std::uint64_t leafCount = 0;
  std::vector<std::unique_ptr<Element>> elements;  // in column order
};

}  // namespace Quorvel
