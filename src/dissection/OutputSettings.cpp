#include "dissection/OutputSettings.h"

#include "engine/core/EngineConfig.h"

namespace Quorvel {

OutputSettings OutputSettings::From(const EngineConfig& config) {
  return OutputSettings{config.outputKinds, config.booleanFormat, config.enumOutputFormat,
                        config.fieldsOrdering};
}

}  // namespace Quorvel
