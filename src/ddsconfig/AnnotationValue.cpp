#include "AnnotationValue.h"

#include "ScopedName.h"
#include "TypeFileMetadata.h"
#include "ValueConverters.h"
#include "common/Log.h"
#include "middleware/xml/XmlTypeNames.h"

#include <exception>

namespace Quorvel::ddsconfig {

namespace {

using xtypes::TypeKind;

bool IsSingleCharacter(const std::string& value) {
  try {
    values::InputToWideChar(value, {});
    return !value.empty();
  } catch (const std::exception&) {
    return false;
  }
}

std::string LastComponent(const std::string& name) {
  const auto separator = name.rfind("::");
  return separator == std::string::npos ? name : name.substr(separator + 2);
}

}  // namespace

std::string ResolveAnnotationValue(const TypeFileMetadata& metadata, std::string value,
                                   const std::string& type, const std::string& scope,
                                   const std::string& member) {
  const TypeKind kind = xml::ConvertTypeDefToEnumDef(type);
  if (kind == TypeKind::BOOLEAN) {
    try {
      return values::InputToValueBool(value, member) ? "1" : "0";
    } catch (const std::exception&) {
      // not a boolean literal: it may still name a constant
    }
  }
  if (xtypes::IsStringKind(kind)) return value;
  if ((kind == TypeKind::CHAR8 || kind == TypeKind::CHAR16) && IsSingleCharacter(value))
    return value;
  if (metadata.enumerations.count(type) != 0) {
    const auto enumerator = metadata.enumerators.find(type + "::" + LastComponent(value));
    if (enumerator != metadata.enumerators.end()) return enumerator->second;
  }
  const auto constant = LookupScoped(value, scope, [&](const std::string& name) {
    return metadata.constants.count(name) != 0;
  });
  if (!constant)
    ThrowLogged("Cannot find constant in ddsConstantsMap: " + value + " for member " + member);
  return metadata.constants.at(*constant);
}

}  // namespace Quorvel::ddsconfig
