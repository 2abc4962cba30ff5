#include "KeyedSeqRecording.h"

namespace Quorvel::e2e {

Bytes KeyedSeqData(const SyntheticWriter& writer, std::uint64_t sequence, const KeyedSeqValue& value,
                   Endian endian) {
  passive::testing::DataSpec spec;
  spec.endian = endian;
  spec.writerId = writer.entityId;
  spec.sequence = sequence;
  spec.payload = KeyedSeqPayload(value, endian);
  return passive::testing::Data(spec);
}

nlohmann::ordered_json KeyedSeqJson(const KeyedSeqValue& value) {
  nlohmann::ordered_json baggage = nlohmann::ordered_json::array();
  for (const std::uint8_t byte : value.baggage) baggage.push_back(byte);
  return {{"seq", value.seq}, {"keyval", value.keyval}, {"baggage", baggage}};
}

KeyedSeqValue NumberedValue(std::uint32_t n) {
  return {1000 + n, n * 3, Bytes(n % 11, static_cast<std::uint8_t>(n))};
}

}  // namespace Quorvel::e2e
