#include "ddsconfig/PugiXMLUtils.h"

#include <cstring>

namespace Quorvel {

pugi::xml_node PugiXMLUtils::find_child_by_name_and_attribute(const pugi::xml_node& node, const char* name,
                                                              const char* attribute, const char* value) {
  for (const pugi::xml_node& child : node.children(name)) {
    if (std::strcmp(child.attribute(attribute).value(), value) == 0) return child;
  }
  return {};
}

}  // namespace Quorvel
