#include "RichTypes.h"

#include "RichJson.h"
#include "rich.h"

#include <stdexcept>
#include <string>

namespace Quorvel::InteropPeers {

const std::vector<RichType>& RichTypes() {
  static const std::vector<RichType> types{
      {"FinalAll", Rich_FinalAll_desc, &FinalAllSamples,
       [](const void* s) { return FinalAllJson(*static_cast<const Rich_FinalAll*>(s)); },
       true},
      {"AppendableRecord", Rich_AppendableRecord_desc, &AppendableRecordSamples,
       [](const void* s) {
         return AppendableRecordJson(*static_cast<const Rich_AppendableRecord*>(s));
       },
       false},
      {"MutableRecord", Rich_MutableRecord_desc, &MutableRecordSamples,
       [](const void* s) { return MutableRecordJson(*static_cast<const Rich_MutableRecord*>(s)); },
       false},
  };
  return types;
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
