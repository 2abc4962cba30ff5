// The engine's configuration file ("Quorvel_Veltrane_Config.xml"): both of its sections read
// into their records, then the records through the checks that Init runs on them.

#include "ddsconfig/XMLParser.h"
#include "engine/core/EngineConfig.h"
#include "support/FuzzEnvironment.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineOperationMode.h>
#include <quorvel/FactoryConfiguration.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Quorvel::fuzz::QuietLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Quorvel;
  const auto file = fuzz::WriteScratchFile(XMLParser::kConfigFileName,
                                           {reinterpret_cast<const char*>(data), size});
  const XMLParser parser;
  try {
    FactoryConfiguration factory;
    parser.InitFactoryConfigurationFromXML(file, factory);
  } catch (const std::exception&) {
    // std::runtime_error, or std::out_of_range for a value outside its range.
  }
  EngineConfiguration engine;
  try {
    parser.InitEngineConfigurationFromXML(file, "", engine);
  } catch (const std::exception&) {
    return 0;
  }
  // Live capture would look the interface up among the host's adapters: not the reader's job.
  if (engine.operationMode == EngineOperationMode::PASSIVE_DYNAMIC_MONITORING) return 0;
  try {
    EngineConfig config;
    config.InitializeAndVerifyConfiguration(engine);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
