#pragma once

// What the transport tests share: the KeyedSeq participant file, KeyedSeq payloads made and read
// by our codec, waiting with a deadline, and the threads of the process.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xml/QosProvider.h"
#include "middleware/xtypes/DynamicType.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel::TransportTest {

struct KeyedSeqValue {
  std::uint32_t seq = 0;
  std::uint32_t keyval = 0;
  std::vector<std::uint8_t> baggage;
};

const xml::QosProvider& Provider();
xtypes::DynamicTypePtr KeyedSeqType();

// XCDR1 little endian, as ddsperf writes it.
std::vector<std::uint8_t> EncodeKeyedSeq(const KeyedSeqValue& value);
KeyedSeqValue DecodeKeyedSeq(const std::vector<std::uint8_t>& payload);
cdr::KeyHash KeyHashOf(std::uint32_t keyval);

// Polls `done` until it holds or `timeout` passes; returns its last answer.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);


}  // namespace Quorvel::TransportTest
