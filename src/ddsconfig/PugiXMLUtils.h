#pragma once

#include <pugixml.hpp>

namespace Quorvel {

struct PugiXMLUtils {
  // The first child element `name` whose `attribute` equals `value`; an empty node when none.
  static pugi::xml_node find_child_by_name_and_attribute(const pugi::xml_node& node, const char* name,
                                                         const char* attribute, const char* value);
};

}  // namespace Quorvel
