#pragma once

// Reads the policies inside one QoS element of a DDS XML profile (<datareader_qos>,
// <participant_qos>, ...) into a QosPolicies record. Policies the record does not represent
// are listed in `ignoredPolicies`, never rejected: real profiles carry many vendor policies.
// A value that a represented policy cannot take throws std::runtime_error naming the
// element path and `origin`.

#include "middleware/xml/QosPolicies.h"

#include <string>

namespace pugi {
class xml_node;
}

namespace Quorvel::xml {

QosPolicies ReadQosPolicies(const pugi::xml_node& qosElement, const std::string& origin);

}  // namespace Quorvel::xml
