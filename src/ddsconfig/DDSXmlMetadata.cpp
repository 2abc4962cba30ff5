#include "DDSXmlMetadata.h"

namespace Quorvel::ddsconfig {

namespace {

const std::string& FirstNonEmpty(const std::string& first, const std::string& second) {
  return first.empty() ? second : first;
}

}  // namespace

DDSXmlMetadata operator+(const DDSXmlMetadata& first, const DDSXmlMetadata& second) {
  DDSXmlMetadata combined;
  combined.description = first.description.empty() || second.description.empty()
                             ? FirstNonEmpty(first.description, second.description)
                             : first.description + " ; " + second.description;
  combined.min = FirstNonEmpty(first.min, second.min);
  combined.max = FirstNonEmpty(first.max, second.max);
  combined.unit = FirstNonEmpty(first.unit, second.unit);
  combined.defaultValue = FirstNonEmpty(first.defaultValue, second.defaultValue);
  combined.optional = first.optional;
  combined.file = first.file;
  combined.line = first.line;
  combined.typedefDepth = second.typedefDepth;
  return combined;
}

}  // namespace Quorvel::ddsconfig
