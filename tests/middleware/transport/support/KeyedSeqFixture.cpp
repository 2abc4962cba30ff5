#include "middleware/transport/support/KeyedSeqFixture.h"

#include "middleware/xtypes/DynamicData.h"

#include <filesystem>
#include <fstream>
#include <thread>

namespace Quorvel::TransportTest {

const xml::QosProvider& Provider() {
  static const xml::QosProvider provider(
      xml::QosProviderParams{{}, {std::string(VELTRANE_TEST_DATA_DIR) + "/transport/keyedseq.xml"}});
  return provider;
}

xtypes::DynamicTypePtr KeyedSeqType() { return Provider().type(xml::QosProvider::kAnonymousTypeLibrary, "KeyedSeq"); }

std::vector<std::uint8_t> EncodeKeyedSeq(const KeyedSeqValue& value) {
  xtypes::DynamicData sample(KeyedSeqType());
  sample.value<uint32_t>("seq", value.seq);
  sample.value<uint32_t>("keyval", value.keyval);
  xtypes::DynamicDataRef baggage = sample.loan_value("baggage");
  baggage.set_length(static_cast<uint32_t>(value.baggage.size()));
  for (std::size_t i = 0; i < value.baggage.size(); ++i) {
    baggage.value<uint8_t>(static_cast<uint32_t>(i + 1), value.baggage[i]);
  }
  return cdr::to_cdr_buffer(sample, cdr::EncodeOptions{cdr::CdrVersion::XCDR1, cdr::ByteOrder::LITTLE});
}

KeyedSeqValue DecodeKeyedSeq(const std::vector<std::uint8_t>& payload) {
  xtypes::DynamicData sample(KeyedSeqType());
  cdr::from_cdr_buffer(sample, payload);
  KeyedSeqValue value;
  value.seq = sample.value<uint32_t>("seq");
  value.keyval = sample.value<uint32_t>("keyval");
  const xtypes::DynamicDataRef baggage = sample.loan_value("baggage");
  for (uint32_t i = 1; i <= baggage.member_count(); ++i) value.baggage.push_back(baggage.value<uint8_t>(i));
  return value;
}

cdr::KeyHash KeyHashOf(std::uint32_t keyval) {
  xtypes::DynamicData sample(KeyedSeqType());
  sample.value<uint32_t>("keyval", keyval);
  return cdr::compute_key_hash(sample, cdr::CdrVersion::XCDR1);
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace Quorvel::TransportTest
