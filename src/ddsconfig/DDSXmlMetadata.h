#pragma once

#include <cstdint>
#include <string>

namespace Quorvel::ddsconfig {

// Annotations of one member, union member or typedef, as the type files give them (min, max,
// unit, default) plus where the declaration stands. After extraction, min, max and default
// hold literal values (constants and enumerators resolved, booleans as "1" / "0").
struct DDSXmlMetadata {
  std::string description;
  std::string min;
  std::string max;
  std::string unit;
  std::string defaultValue;
  std::uint64_t optional = 0;       // non-zero: the member is optional
  std::string file;                 // the type file that declares it
  std::uint32_t line = 1;           // its line in that file
  std::uint32_t typedefDepth = 0;   // typedef levels between the member and its resolved type
};

// Combines a member's record (`first`) with the record of the typedef it uses (`second`): the
// member's own annotations win, descriptions are joined with " ; ", the declaration site is
// the member's and the typedef depth the typedef's.
DDSXmlMetadata operator+(const DDSXmlMetadata& first, const DDSXmlMetadata& second);

}  // namespace Quorvel::ddsconfig
