// DDS XML documents (type files, QoS profiles, domain and participant definitions). The first
// byte picks the reader: even, the middleware's QoS provider from the text, after which every
// type is flattened as the engine flattens topic types and every profile's QoS and participant
// definition is resolved; odd, the engine's loader of configured DDS XML files (classification,
// schema validation, metadata, QoS checks, participant mapping) on the text written to a file.

#include "ddsconfig/EngineDDSConfig.h"
#include "dissection/FlatteningOptions.h"
#include "dissection/TypeProcessor.h"
#include "middleware/xml/QosProfileLibrary.h"
#include "middleware/xml/QosProvider.h"
#include "middleware/xml/TypeLibrary.h"
#include "support/FuzzEnvironment.h"
#include "support/FuzzInput.h"

#include <quorvel/EngineOperationMode.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Quorvel;

constexpr xml::QosEntityKind kEntityKinds[] = {
    xml::QosEntityKind::PARTICIPANT, xml::QosEntityKind::PUBLISHER, xml::QosEntityKind::SUBSCRIBER,
    xml::QosEntityKind::TOPIC,       xml::QosEntityKind::DATAREADER, xml::QosEntityKind::DATAWRITER};

void UseProvider(const xml::QosProvider& provider) {
  for (const std::string& name : provider.types().Names()) {
    const auto type = provider.types().Find(name);
    if (!type || !xtypes::IsAggregationKind(type->kind())) continue;
    try {
      TypeProcessor processor(name, type, FlatteningOptions{});
    } catch (const std::runtime_error&) {
      // Types the flattening refuses are reported to the caller, not a fault.
    }
  }
  for (const std::string& profile : provider.qos_profiles()) {
    for (const auto kind : kEntityKinds) {
      try {
        provider.qos(profile, kind, "AnyTopic");
      } catch (const std::runtime_error&) {
      }
    }
  }
  for (const std::string& participant : provider.participant_definitions()) {
    provider.participant_definition(participant);
  }
  provider.datareader_qos();
  provider.datawriter_qos_w_topic_name("AnyTopic");
}

void ThroughProvider(std::string text) {
  try {
    const xml::QosProvider provider(xml::QosProviderParams{{std::move(text)}, {}});
    UseProvider(provider);
  } catch (const std::runtime_error&) {
  }
}

void ThroughEngineLoader(std::string_view text, EngineOperationMode mode) {
  std::vector<std::filesystem::path> paths = {fuzz::WriteScratchFile("document.xml", text)};
  std::string participant;
  EngineDDSConfig config(mode, paths, 0, participant, true);
  try {
    config.Init();
    if (const auto provider = config.UserQosProvider()) UseProvider(*provider);
  } catch (const std::exception&) {
    // The loader's failures are std::runtime_error or, once logged, a plain std::exception.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const uint8_t selector = input.TakeByte();
  if ((selector & 1) == 0) {
    ThroughProvider(std::string(input.RestAsText()));
  } else {
    const auto mode = (selector & 2) != 0 ? EngineOperationMode::ACTIVE_STATIC_MONITORING
                                          : EngineOperationMode::TYPE_INTROSPECTION;
    ThroughEngineLoader(input.RestAsText(), mode);
  }
  return 0;
}
