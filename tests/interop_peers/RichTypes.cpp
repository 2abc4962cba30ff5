#include "RichTypes.h"

#include "RichJson.h"
#include "rich.h"

#include <stdexcept>
#include <string>

namespace Quorvel::InteropPeers {
namespace {

template <typename Sample, nlohmann::ordered_json (*ToJson)(const Sample&)>
nlohmann::ordered_json ErasedJson(const void* sample) {
    return ToJson(*static_cast<const Sample*>(sample));
}

}  // namespace

const std::vector<RichType>& RichTypes() {
    static const std::vector<RichType> types{
        {"FinalAll", Rich_FinalAll_desc, &FinalAllSamples,
         &ErasedJson<Rich_FinalAll, &FinalAllJson>, true},
        {"Extras", Rich_Extras_desc, &ExtrasSamples, &ErasedJson<Rich_Extras, &ExtrasJson>, true},
        {"AppendableRecord", Rich_AppendableRecord_desc, &AppendableRecordSamples,
         &ErasedJson<Rich_AppendableRecord, &AppendableRecordJson>, false},
        {"MutableRecord", Rich_MutableRecord_desc, &MutableRecordSamples,
         &ErasedJson<Rich_MutableRecord, &MutableRecordJson>, false},
        {"EvolvedAppendableRecord", RichEvolved_AppendableRecord_desc,
         &EvolvedAppendableRecordSamples,
         &ErasedJson<RichEvolved_AppendableRecord, &EvolvedAppendableRecordJson>, false},
        {"EvolvedMutableRecord", RichEvolved_MutableRecord_desc, &EvolvedMutableRecordSamples,
         &ErasedJson<RichEvolved_MutableRecord, &EvolvedMutableRecordJson>, false},
    };
    return types;
}

const std::vector<TypeVersions>& RichTypeVersions() {
    static const std::vector<TypeVersions> versions{
        {"AppendableRecord", "EvolvedAppendableRecord"},
        {"MutableRecord", "EvolvedMutableRecord"},
    };
    return versions;
}

const RichType& FindRichType(std::string_view name) {
    for (const RichType& type : RichTypes()) {
        if (name == type.fileStem || name == type.descriptor.m_typename) {
            return type;
        }
    }
    throw std::invalid_argument("unknown type \"" + std::string(name) + "\"");
}

}  // namespace Quorvel::InteropPeers
