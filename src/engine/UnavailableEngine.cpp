#include "engine/UnavailableEngine.h"

#include "engine/core/EngineConfig.h"

#include <stdexcept>
#include <string>

namespace Quorvel {

void UnavailableEngine::Init() {
  DDSEngine::Init();
  const std::string mode = config->operationModeName.empty()
                               ? std::to_string(static_cast<std::uint32_t>(config->operationMode))
                               : config->operationModeName;
  throw std::runtime_error("no engine for the " + mode + " operation mode is available in this build");
}

// Never initialised, so the facade never runs or terminates it.
void UnavailableEngine::Run() { throw std::logic_error("an unavailable engine cannot run"); }

void UnavailableEngine::Terminate() {}

}  // namespace Quorvel
