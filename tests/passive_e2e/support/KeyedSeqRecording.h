#pragma once

// The frame of one KeyedSeq sample from a synthetic writer, and the engine's JSON of it.

#include "passive_e2e/support/SyntheticRecording.h"

#include <nlohmann/json.hpp>

namespace Quorvel::e2e {

// DATA sub-message of `writer` carrying `value` with writer sequence number `sequence`.
Bytes KeyedSeqData(const SyntheticWriter& writer, std::uint64_t sequence, const KeyedSeqValue& value,
                   Endian endian = Endian::LITTLE);
// The "SampleData" the engine should deliver for `value` (byte sequences as number arrays).
nlohmann::ordered_json KeyedSeqJson(const KeyedSeqValue& value);
// A sample whose fields all derive from `n`, so each delivered one tells which it was.
KeyedSeqValue NumberedValue(std::uint32_t n);

}  // namespace Quorvel::e2e
