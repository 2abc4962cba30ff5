#pragma once

// Completes columns with what the type files say about them: descriptions and annotations of
// structures, unions, members and discriminators, and the enumerators of enumerations.
// Keys follow the type-file metadata maps: qualified type names, members as "Type::member".
// A miss only logs; the column keeps no metadata.

#include "dissection/Column.h"

namespace Quorvel {

namespace ddsconfig {
struct TypeFileMetadata;
}

namespace ColumnMetadata {

void CompleteStructureNode(Column& node, const ddsconfig::TypeFileMetadata* metadata);
void CompleteStructureMember(Column& member, const std::string& structureName,
                             const ddsconfig::TypeFileMetadata* metadata);
void CompleteUnionNode(Column& node, const ddsconfig::TypeFileMetadata* metadata);
// Discriminator columns use the member name "discriminator".
void CompleteUnionMember(Column& member, const std::string& unionName,
                         const ddsconfig::TypeFileMetadata* metadata);
void CompleteEnumeration(Column& column, const xtypes::DynamicType& enumeration,
                         const ddsconfig::TypeFileMetadata* metadata);

}  // namespace ColumnMetadata
}  // namespace Quorvel
