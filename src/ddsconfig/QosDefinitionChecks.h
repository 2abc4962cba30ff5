#pragma once

// Checks of the QoS profile references of <dds> documents against the known profile set
// ("Library::Profile": the builtin names, then every profile of the documents loaded so far).

#include <set>
#include <string>

namespace pugi {
class xml_node;
}

namespace Quorvel::ddsconfig {

// Registers every qos_profile of `dds` as "Library::Profile", in document order, and checks
// its base_name attribute (a profile of the same library by its own name, or a known
// qualified name). Throws "Duplicate qos profiles definitions were found for - <key>" or
// "Cannot find a base_name = '<value>' for profile - <key>".
void ValidateQoSDefinition(const pugi::xml_node& dds, std::set<std::string>& knownProfiles);

// Every <base_name><element> of a QoS element must be known; throws "Cannot find base_name
// qos profile - '<text>'".
void ValidateBaseNameQoS(const pugi::xml_node& qosNode, const std::set<std::string>& knownProfiles);

}  // namespace Quorvel::ddsconfig
