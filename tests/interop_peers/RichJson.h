#pragma once

#include "rich.h"

#include <nlohmann/json.hpp>

namespace Quorvel::InteropPeers {

// The plain JSON mirror of a sample that tests/data/golden/FORMAT.md describes: member names
// as keys in declaration order (base struct members first), arrays and sequences as JSON
// arrays, unions as {"discriminator": d, "<member>": v}, unset optional members omitted,
// enumerations and bitmasks as integers.
nlohmann::ordered_json FinalAllJson(const Rich_FinalAll& sample);
nlohmann::ordered_json ExtrasJson(const Rich_Extras& sample);
nlohmann::ordered_json AppendableRecordJson(const Rich_AppendableRecord& sample);
nlohmann::ordered_json MutableRecordJson(const Rich_MutableRecord& sample);
nlohmann::ordered_json EvolvedAppendableRecordJson(const RichEvolved_AppendableRecord& sample);
nlohmann::ordered_json EvolvedMutableRecordJson(const RichEvolved_MutableRecord& sample);

}  // namespace Quorvel::InteropPeers
