#include "ddsconfig/QosDefinitionChecks.h"

#include "common/Log.h"

#include <pugixml.hpp>

namespace Quorvel::ddsconfig {

void ValidateQoSDefinition(const pugi::xml_node& dds, std::set<std::string>& knownProfiles) {
  for (const pugi::xml_node& library : dds.children("qos_library")) {
    const std::string libraryName = library.attribute("name").value();
    for (const pugi::xml_node& profile : library.children("qos_profile")) {
      const std::string key = libraryName + "::" + profile.attribute("name").value();
      if (!knownProfiles.insert(key).second) {
        ThrowLogged("Duplicate qos profiles definitions were found for - " + key);
      }
      const pugi::xml_attribute base = profile.attribute("base_name");
      if (!base) continue;
      const std::string value = base.value();
      if (knownProfiles.count(libraryName + "::" + value) == 0 && knownProfiles.count(value) == 0) {
        ThrowLogged("Cannot find a base_name = '" + value + "' for profile - " + key);
      }
    }
  }
}

void ValidateBaseNameQoS(const pugi::xml_node& qosNode, const std::set<std::string>& knownProfiles) {
  for (const pugi::xml_node& bases : qosNode.children("base_name")) {
    for (const pugi::xml_node& element : bases.children()) {
      if (element.type() != pugi::node_element) continue;
      const std::string text = element.text().get();
      if (knownProfiles.count(text) == 0) ThrowLogged("Cannot find base_name qos profile - '" + text + "'");
    }
  }
}

}  // namespace Quorvel::ddsconfig
