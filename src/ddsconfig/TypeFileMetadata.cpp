#include "TypeFileMetadata.h"

namespace Quorvel::ddsconfig {

bool TypeFileMetadata::IsKnownType(const std::string& qualifiedName) const {
  return structures.count(qualifiedName) != 0 || unions.count(qualifiedName) != 0 ||
         enumerations.count(qualifiedName) != 0 || typedefs.count(qualifiedName) != 0 ||
         otherTypes.count(qualifiedName) != 0;
}

}  // namespace Quorvel::ddsconfig
