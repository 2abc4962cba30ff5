#pragma once

// The builtin QoS profiles: names that a base_name may refer to without any file defining
// them ("BuiltinQosLib::Generic.StrictReliable", ...), each standing for a small preset of
// reliability, durability, history and resource limits. Flow-controlled variants carry the
// preset of the profile they refine.

#include "middleware/xml/QosPolicies.h"

#include <optional>
#include <string>
#include <vector>

namespace Quorvel::xml {

constexpr const char* kBuiltinQosLibrary = "BuiltinQosLib";

// All builtin profile names, "BuiltinQosLib::<profile>", in a fixed order.
const std::vector<std::string>& BuiltinQosProfileNames();

// The preset of a builtin profile (the same for every entity kind); nullopt for other names.
std::optional<QosPolicies> BuiltinQosPreset(const std::string& qualifiedName);

}  // namespace Quorvel::xml
