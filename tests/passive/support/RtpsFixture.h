#pragma once

// An RTPS message processor wired to RecordingTargets, fed with byte arrays as if captured.

#include "passive/PassiveRTPSMessageProcessor.h"
#include "passive/support/RecordingTargets.h"
#include "passive/support/WireBuilder.h"

#include <memory>

namespace Quorvel::passive::testing {

// The GUID prefix of every test message: bytes 1 to 12.
const Bytes& TestPrefix();
// The captured record of one UDP payload from 10.0.0.1.
std::shared_ptr<const RTPSMessage> CapturedMessage(const Bytes& rtpsPayload);

struct RtpsFixture {
  explicit RtpsFixture(EngineOperationMode mode = EngineOperationMode::PASSIVE_DYNAMIC_MONITORING);

  // Header of TestPrefix() followed by `subMessages`, through the processor.
  void Process(const Bytes& subMessages);

  std::shared_ptr<RecordingTargets> targets = std::make_shared<RecordingTargets>();
  std::unique_ptr<PassiveRTPSMessageProcessor> processor;
};

}  // namespace Quorvel::passive::testing
