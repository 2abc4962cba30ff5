#include "DeclarationCompleter.h"

#include "AnnotationValue.h"
#include "RangeValidity.h"
#include "ScopedName.h"
#include "TypeFileMetadata.h"
#include "ValueConverters.h"
#include "common/Log.h"
#include "middleware/xml/XmlTypeNames.h"

#include <optional>

namespace Quorvel::ddsconfig {

namespace {

using xtypes::TypeKind;

// What the annotation values of a declaration are read as.
struct ValueTarget {
  std::string typeName;        // basic XML type name or qualified type name
  TypeKind kind = TypeKind::NO_TYPE;
  bool signedByte = false;
  bool throughTypedefOrEnum = false;
  const TypedefMetadata* typedefUsed = nullptr;
  std::string directBase;      // what the declaration names: basic name or qualified name
};

std::optional<ValueTarget> TargetOf(const TypeFileMetadata& metadata, const std::string& typeName);

ValueTarget BasicTarget(const std::string& xmlType) {
  ValueTarget target;
  target.typeName = xmlType;
  target.kind = xml::ConvertTypeDefToEnumDef(xmlType);
  target.signedByte = xmlType == "int8";
  return target;
}

// `qualified` names a declared type (typedef, enumeration, structure, union, ...).
std::optional<ValueTarget> DeclaredTarget(const TypeFileMetadata& metadata,
                                          const std::string& qualified) {
  if (const auto typedefEntry = metadata.typedefs.find(qualified);
      typedefEntry != metadata.typedefs.end()) {
    if (!typedefEntry->second.resolved) return std::nullopt;
    auto target = TargetOf(metadata, typedefEntry->second.baseType);
    if (!target) return std::nullopt;
    target->throughTypedefOrEnum = true;
    target->typedefUsed = &typedefEntry->second;
    return target;
  }
  ValueTarget target;
  target.typeName = qualified;
  if (const auto enumeration = metadata.enumerations.find(qualified);
      enumeration != metadata.enumerations.end()) {
    const TypeKind declared = xml::ConvertTypeDefToEnumDef(enumeration->second.baseType);
    target.kind = declared == TypeKind::NO_TYPE ? TypeKind::INT32 : declared;
    target.signedByte = enumeration->second.baseType == "int8";
    target.throughTypedefOrEnum = true;
  }
  return target;
}

// Resolved typedef bases are stored as basic names or fully qualified names.
std::optional<ValueTarget> TargetOf(const TypeFileMetadata& metadata, const std::string& typeName) {
  if (xml::ConvertTypeDefToEnumDef(typeName) != TypeKind::NO_TYPE) return BasicTarget(typeName);
  return DeclaredTarget(metadata, typeName);
}

std::optional<ValueTarget> TargetOf(const TypeFileMetadata& metadata,
                                    const PendingDeclaration& declaration) {
  if (declaration.type != "nonBasic") {
    ValueTarget target = BasicTarget(declaration.type);
    target.directBase = declaration.type;
    return target;
  }
  const auto qualified =
      LookupScoped(declaration.nonBasicTypeName, declaration.scope,
                   [&](const std::string& name) { return metadata.IsKnownType(name); });
  if (!qualified) return std::nullopt;
  auto target = DeclaredTarget(metadata, *qualified);
  if (target) target->directBase = *qualified;
  return target;
}

DDSXmlMetadata ResolvedAnnotations(const TypeFileMetadata& metadata,
                                   const PendingDeclaration& declaration,
                                   const ValueTarget& target) {
  DDSXmlMetadata own = declaration.metadata;
  // Constants of a structure's own scope (ROS 2 companions) come before those of its module.
  const std::string& scope = declaration.owner.empty() ? declaration.scope : declaration.owner;
  for (std::string* value : {&own.min, &own.max, &own.defaultValue}) {
    if (!value->empty() && !values::IsNumber(*value))
      *value = ResolveAnnotationValue(metadata, *value, target.typeName, scope, declaration.name);
  }
  return own;
}

void CheckRanges(const DDSXmlMetadata& combined, const PendingDeclaration& declaration,
                 const ValueTarget& target) {
  if (combined.min.empty() && combined.max.empty() && combined.defaultValue.empty()) return;
  // Strings carry a default text but no range.
  const bool valid = xtypes::IsStringKind(target.kind) && combined.min.empty() && combined.max.empty()
                         ? combined.optional == 0
                         : CheckRangesValidity(combined, declaration.name, target.kind,
                                               target.signedByte);
  if (valid) return;
  const std::string prefix =
      "field/member/typedef " + declaration.name + " (file: " + declaration.metadata.file + ")";
  if (target.throughTypedefOrEnum) {
    ThrowLogged(prefix +
                " min / max / defaultValue attributes are not in range. Should be minValue <= "
                "defaultValue <= maxValue. Also, default notation is not applicable of optional "
                "members");
  }
  ThrowLogged(prefix +
              " min / max / defaultValue attributes are not in range.Should be minValue <= "
              "defaultValue <= maxValue. Also, default notation is not applicable for optional "
              "members");
}

}  // namespace

bool CompleteDeclaration(TypeFileMetadata& metadata, const PendingDeclaration& declaration) {
  const auto target = TargetOf(metadata, declaration);
  if (!target) return false;
  const DDSXmlMetadata own = ResolvedAnnotations(metadata, declaration, *target);
  DDSXmlMetadata combined = target->typedefUsed ? own + target->typedefUsed->metadata : own;
  if (declaration.kind == PendingDeclaration::Kind::TYPEDEF)
    combined.typedefDepth = target->typedefUsed ? target->typedefUsed->metadata.typedefDepth + 1 : 1;
  CheckRanges(combined, declaration, *target);

  if (declaration.kind == PendingDeclaration::Kind::TYPEDEF) {
    TypedefMetadata& entry = metadata.typedefs.at(declaration.key);
    entry.metadata = combined;
    entry.baseType = target->directBase;
    entry.resolved = true;
  } else {
    metadata.members.at(declaration.key) = combined;
  }
  return true;
}

void CompletePendingDeclarations(TypeFileMetadata& metadata, bool strict) {
  bool progress = true;
  while (progress && !metadata.pending.empty()) {
    progress = false;
    for (auto it = metadata.pending.begin(); it != metadata.pending.end();) {
      if (CompleteDeclaration(metadata, *it)) {
        it = metadata.pending.erase(it);
        progress = true;
      } else {
        ++it;
      }
    }
  }
  if (strict && !metadata.pending.empty()) {
    const PendingDeclaration& first = metadata.pending.front();
    ThrowLogged("No type found for nonBasicType: " + first.nonBasicTypeName + " in file " +
                first.metadata.file);
  }
}

}  // namespace Quorvel::ddsconfig
