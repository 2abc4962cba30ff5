#pragma once

// What the type files tell beyond the types themselves, keyed by fully qualified names
// (enclosing modules joined with "::"). Filled during engine initialisation by
// ExtractTypeFilesInfo on one thread, read-only afterwards.

#include "DDSXmlMetadata.h"

#include <quorvel/TypeDescription.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Quorvel::ddsconfig {

struct EnumerationMetadata {
  std::string description;
  std::string baseType;
  std::vector<std::string> enumerators;  // qualified enumerator names, in declaration order
  std::string defaultLiteral;            // flagged with defaultLiteral, else the first one
  bool defaultLiteralFlagged = false;
  std::int64_t nextValue = 0;            // value of an enumerator that gives none
};

struct TypedefMetadata {
  DDSXmlMetadata metadata;  // own annotations combined with those of the typedefs below it
  std::string baseType;     // basic XML type name, or the qualified name of the type it names
  std::string scope;        // the module the typedef is declared in
  bool resolved = false;    // false while its nonBasic base type is not known yet
};

// A member, union member or typedef whose nonBasic type has not been declared yet (it may be
// declared later in the same file or in a file loaded later); completed once it is.
struct PendingDeclaration {
  enum class Kind { MEMBER, UNION_MEMBER, TYPEDEF };
  Kind kind = Kind::MEMBER;
  std::string key;       // qualified name in members or typedefs
  std::string name;      // the member or typedef name as written
  std::string owner;     // qualified structure or union name (empty for a typedef)
  std::string scope;     // the module it is declared in
  std::string type;      // the XML type attribute
  std::string nonBasicTypeName;
  DDSXmlMetadata metadata;  // annotations as written
};

struct TypeFileMetadata {
  bool parseConstants = false;  // copy ROS 2 "<Struct>_Constants" into the structure's scope

  std::map<std::string, std::string> constants;     // name -> value text
  std::map<std::string, std::string> structures;    // name -> description
  std::map<std::string, std::string> unions;        // name -> description
  std::map<std::string, EnumerationMetadata> enumerations;
  std::map<std::string, std::string> enumerators;   // "Enum::LITERAL" -> value text
  std::set<std::string> otherTypes;                 // bitmasks and bitsets
  std::vector<TypeBasicInfo> typesBasicInfo;        // structures and unions, in file order
  std::map<std::string, DDSXmlMetadata> members;    // "Struct::member", "Union::member"
  std::map<std::string, TypedefMetadata> typedefs;
  std::set<std::filesystem::path> walkedFiles;
  std::vector<PendingDeclaration> pending;

  bool IsKnownType(const std::string& qualifiedName) const;
};

}  // namespace Quorvel::ddsconfig
