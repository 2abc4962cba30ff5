#include "injection/MessageInjector.h"

#include "common/Log.h"
#include "dissection/TypeProcessor.h"
#include "injection/DynamicDataInjector.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/transport/TopicWriter.h"
#include "middleware/xtypes/DynamicData.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <stdexcept>
#include <vector>

namespace Quorvel::injection {

namespace {

// The key hash follows the alignment rules of the payload's own encapsulation version, as
// the receiving side (and Cyclone) computes it.
std::optional<cdr::KeyHash> KeyHashOf(const xtypes::DynamicData& sample,
                                      const std::vector<std::uint8_t>& payload) {
  if (!sample.type().Resolve().HasKey() || payload.size() < cdr::kEncapsulationHeaderSize)
    return std::nullopt;
  const auto id = static_cast<std::uint16_t>((payload[0] << 8) | payload[1]);
  const std::optional<cdr::Encapsulation> encapsulation = cdr::DescribeEncapsulation(id);
  if (!encapsulation) return std::nullopt;
  return cdr::compute_key_hash(sample, encapsulation->version);
}

}  // namespace

void InjectAndWrite(const std::string& writerName, Transport::TopicWriter& writer,
                    const TypeProcessor& processor, const nlohmann::ordered_json& input,
                    bool reportUnusedFields) {
  xtypes::DynamicData sample(processor.Type());
  try {
    DynamicDataInjector(sample, input, processor.Columns(), reportUnusedFields);
  } catch (const std::exception& e) {
    throw std::runtime_error("Error dissecting user input to DDS message on " + writerName +
                             ". Error - " + e.what());
  }
  try {
    std::vector<std::uint8_t> payload;
    cdr::to_cdr_buffer(sample, payload);
    writer.Write(payload, KeyHashOf(sample, payload));
  } catch (const std::exception& e) {
    throw std::runtime_error("Error writing sample with " + writerName + " on topic " +
                             writer.TopicName() + ". Error - " + e.what());
  }
  VELTRANE_LOG(DEBUG, "Message successfully injected on :" + writerName);
}

}  // namespace Quorvel::injection
