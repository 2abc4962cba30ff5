#pragma once

// DATA_FRAG sub-messages built byte by byte (DDSI-RTPS 2.5, 9.4.5.4), and the captured
// messages that carry them, with a capture time of the test's choosing.

#include "passive/RTPSMessage.h"
#include "passive/support/WireBuilder.h"

#include <cstdint>
#include <memory>

namespace Quorvel::passive::testing {

struct FragSpec {
  Endian endian = Endian::LITTLE;
  uint32_t writerId = 0x00000102;
  uint64_t sequence = 1;
  uint32_t firstFragment = 1;     // fragmentStartingNum
  uint16_t fragments = 1;         // fragmentsInSubmessage
  uint16_t fragmentSize = 16;
  uint32_t sampleSize = 0;
  Bytes inlineQos;                // parameters, sentinel included; Q set when not empty
  Bytes data;                     // the fragment bytes as carried
  bool key = false;               // K
};
Bytes DataFrag(const FragSpec& spec);

// The DATA_FRAG sub-messages of `sample` cut into fragments of `fragmentSize`, `perMessage`
// fragments to a sub-message, in fragment order. `base` gives writer, sequence, endian, key.
std::vector<Bytes> FragmentSample(const FragSpec& base, const Bytes& sample,
                                  uint16_t fragmentSize, uint16_t perMessage = 1);

// A CDR_LE serialized payload: encapsulation header then `dataBytes` bytes counting up from
// `seed`.
Bytes CdrPayload(size_t dataBytes, uint8_t seed = 0);

// An RTPS message of TestPrefix() carrying `subMessages`, captured at `captureUs` from `srcIp`.
std::shared_ptr<const RTPSMessage> CapturedAt(const Bytes& subMessages, int64_t captureUs,
                                              const std::string& srcIp = "10.0.0.1");

}  // namespace Quorvel::passive::testing
