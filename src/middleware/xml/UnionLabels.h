#pragma once

#include <cstdint>
#include <string_view>

namespace Quorvel::xtypes {
class DynamicType;
}

namespace Quorvel::xml {

class ConstEvaluator;
class DefinitionSite;

// The discriminator value a `caseDiscriminator` text stands for, checked against the
// discriminator's range: an enumerator name (plain or qualified) for enumerations, true/false
// for booleans, a quoted character ('A') for characters, else a number or const name.
// `discriminator` is the resolved discriminator type. The text "default" is not a label.
int64_t ReadUnionLabel(std::string_view text, const xtypes::DynamicType& discriminator,
                       ConstEvaluator& consts, const DefinitionSite& site);

}  // namespace Quorvel::xml
