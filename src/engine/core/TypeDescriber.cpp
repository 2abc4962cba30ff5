#include "engine/core/TypeDescriber.h"

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/CommonHelperFunctions.h"
#include "dissection/FlatteningOptions.h"
#include "dissection/TypeProcessor.h"
#include "engine/core/EngineConfig.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace Quorvel {
namespace {

using xtypes::TypeKind;
namespace Kinds = CommonHelperFunctions;

// Flattening marks unbounded strings and sequences with INT32_MAX; callers see 0.
constexpr std::uint64_t kUnboundedMark = std::numeric_limits<std::int32_t>::max();

std::uint64_t PublicBound(const Column& column) {
  if (!column.bound || *column.bound == kUnboundedMark) return 0;
  return *column.bound;
}

std::unique_ptr<Element> KindSpecificElement(const Column& column) {
  switch (column.typeKind) {
    case TypeKind::ENUMERATION: {
      auto element = std::make_unique<EnumElement>();
      for (const auto& entry : column.enumerators) element->enumerators.push_back(entry.second);
      element->enumTypeName = column.enclosingTypeName.value_or("");
      return element;
    }
    case TypeKind::UNION: {
      auto element = std::make_unique<UnionElement>();
      element->memberCount = column.bound.value_or(0);
      element->unionTypeName = column.enclosingTypeName.value_or("");
      return element;
    }
    case TypeKind::STRUCTURE: {
      auto element = std::make_unique<StructureElement>();
      element->structTypeName = column.enclosingTypeName.value_or("");
      if (column.baseType) element->baseTypeName = column.baseType->name();
      return element;
    }
    case TypeKind::ARRAY:
    case TypeKind::SEQUENCE: {
      auto element = std::make_unique<CollectionElement>();
      element->bound = PublicBound(column);
      const TypeKind elementKind = column.elementType ? column.elementType->kind() : TypeKind::NO_TYPE;
      element->elementKind = Kinds::DDSTypeKindToEngineTypeKind(elementKind);
      element->elementKindName = Kinds::DDSTypeKindToEngineTypeKindString(elementKind);
      return element;
    }
    case TypeKind::STRING:
    case TypeKind::WSTRING: {
      auto element = std::make_unique<StringElement>();
      element->bound = PublicBound(column);
      return element;
    }
    default: return std::make_unique<Element>();
  }
}

void FillCommon(const Column& column, Element& element) {
  element.name = column.memberName;
  element.nestedNames = column.nestedNames;
  element.longMemberName = column.nestedNameConcatenated;
  element.memberIndex = column.memberIndex;
  element.indexList = column.indexList;
  element.depth = column.depth;
  element.isKey = column.isKey;
  element.isOptional = column.isOptional;
  element.isNode = column.isNode;
  element.engineKind = Kinds::DDSTypeKindToEngineTypeKind(column.typeKind);
  element.engineKindName = Kinds::DDSTypeKindToEngineTypeKindString(column.typeKind);
  element.size = column.typeSize;
  element.bufferSize = column.bufferSize;
  element.indexSuffix = column.indexSuffix;
  element.unionLabels = column.unionLabels;
  if (column.metadata) {
    element.description = column.metadata->description;
    element.minValue = column.metadata->min;
    element.maxValue = column.metadata->max;
    element.unit = column.metadata->unit;
    element.defaultValue = column.metadata->defaultValue;
  } else {
    LogWarning("no xml metadata found for " + column.memberName);
  }
}

// The members of the union whose node precedes its discriminator column, in member order.
std::vector<UnionMemberInfo> UnionMembers(const Column& unionNode) {
  std::vector<UnionMemberInfo> members;
  if (!unionNode.DT() || unionNode.DT()->kind() != TypeKind::UNION) return members;
  for (const xtypes::Member& member : unionNode.DT()->members()) {
    UnionMemberInfo info;
    info.labels = member.labels;
    info.name = member.name;
    if (member.type) {
      info.typeName = member.type->name();
      const TypeKind resolved = member.type->Resolve().kind();
      info.engineKind = Kinds::DDSTypeKindToEngineTypeKind(resolved);
      info.engineKindName = Kinds::DDSTypeKindToEngineTypeKindString(resolved);
    }
    members.push_back(std::move(info));
  }
  return members;
}

std::unique_ptr<TypeProcessor> BuildProcessor(const std::string& typeName,
                                              const EngineConfig& config) {
  try {
    if (!config.engineDDSConfig) throw std::runtime_error("the DDS XML configuration is not loaded");
    const EngineDDSConfig& dds = *config.engineDDSConfig;
    return std::make_unique<TypeProcessor>(typeName, dds.ExtractDynamicType(typeName),
                                           FlatteningOptions::From(config, &dds.Metadata()));
  } catch (const std::exception& e) {
    ThrowLogged(" Error dissecting dynamic type = " + typeName + ". Error = " + e.what());
  }
}

TypeBasicInfo BasicInfoOf(const std::string& typeName, const EngineConfig& config) {
  const std::vector<TypeBasicInfo>& known = config.engineDDSConfig->TypesBasicInfo();
  const auto found = std::find_if(known.begin(), known.end(),
                                  [&](const TypeBasicInfo& info) { return info.name == typeName; });
  if (found != known.end()) return *found;
  TypeBasicInfo info;
  info.name = typeName;
  return info;
}

}  // namespace

TypeInfo IntrospectTypeInfo(const std::string& typeName, const EngineConfig& config) {
  const std::unique_ptr<TypeProcessor> processor = BuildProcessor(typeName, config);
  try {
    TypeInfo info;
    static_cast<TypeBasicInfo&>(info) = BasicInfoOf(typeName, config);
    const Column* previous = nullptr;
    for (const std::unique_ptr<Column>& column : processor->Columns()) {
      std::unique_ptr<Element> element = KindSpecificElement(*column);
      FillCommon(*column, *element);
      if (column->memberName == "discriminator" && previous != nullptr)
        element->unionMemberInfos = UnionMembers(*previous);
      info.totalSize += element->size;
      if (!element->isNode) ++info.leafCount;
      info.elements.push_back(std::move(element));
      previous = column.get();
    }
    return info;
  } catch (const std::exception& e) {
    ThrowLogged(" Error intropsecting type = " + typeName + " " + e.what());
  }
}

}  // namespace Quorvel
