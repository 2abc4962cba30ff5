#pragma once

#include <string>

namespace Quorvel::ddsconfig {

struct TypeFileMetadata;

// The literal that an annotation value (min, max, default, an enumerator value) stands for,
// given the XML type of what it annotates: booleans become "1" / "0", string and character
// literals stay as written, an enumerator name of an enumeration type becomes its value, and
// anything else names a constant, looked up from `scope` outwards. Throws "Cannot find
// constant in ddsConstantsMap: <value> for member <member>".
std::string ResolveAnnotationValue(const TypeFileMetadata& metadata, std::string value,
                                   const std::string& type, const std::string& scope,
                                   const std::string& member);

}  // namespace Quorvel::ddsconfig
