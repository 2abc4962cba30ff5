// The CDR codec on the rich test types. Input: one byte choosing the type, one byte choosing
// the encoding of the round trip, then a serialized payload (encapsulation header first).
// A payload that decodes must survive a round trip: encoded again it decodes to the same
// values, encoding those gives the same bytes, and the key hash does not change.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/CdrError.h"
#include "middleware/xml/TypeLibrary.h"
#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"
#include "support/FuzzEnvironment.h"
#include "support/FuzzInput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace Quorvel;

// The recorded top-level types keep the first selector values, so the golden payloads of
// tests/data/golden seed the corpus under a fixed index; every other structure or union of
// the files follows.
const std::vector<xtypes::DynamicTypePtr>& Types() {
  static const std::vector<xtypes::DynamicTypePtr> types = [] {
    xml::XmlTypeReader reader;
    reader.ReadFile(fuzz::TestData("types/rich/RichTypes.xml"));
    reader.ReadFile(fuzz::TestData("types/rich/RichEvolved.xml"));
    const xml::TypeLibrary library = reader.BuildLibrary();
    std::vector<std::string> names = {"Rich::FinalAll",           "Rich::Extras",
                                      "Rich::AppendableRecord",   "Rich::MutableRecord",
                                      "RichEvolved::AppendableRecord", "RichEvolved::MutableRecord"};
    for (const std::string& name : library.Names()) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    std::vector<xtypes::DynamicTypePtr> chosen;
    for (const std::string& name : names) {
      const auto type = library.Find(name);
      if (type && xtypes::IsAggregationKind(type->kind())) chosen.push_back(type);
    }
    return chosen;
  }();
  return types;
}

cdr::EncodeOptions OptionsFrom(uint8_t selector) {
  cdr::EncodeOptions options;
  switch (selector % 3) {
    case 1: options.version = cdr::CdrVersion::XCDR1; break;
    case 2: options.version = cdr::CdrVersion::XCDR2; break;
    default: break;
  }
  options.order = (selector & 0x80) != 0 ? cdr::ByteOrder::BIG : cdr::ByteOrder::LITTLE;
  return options;
}

[[noreturn]] void Fail(const std::string& what, const std::string& first, const std::string& second) {
  std::fprintf(stderr, "round trip broken: %s\n  first:  %s\n  second: %s\n", what.c_str(),
               first.c_str(), second.c_str());
  std::abort();
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : bytes) {
    text += digits[byte >> 4];
    text += digits[byte & 0xf];
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLogging();
  Types();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto& types = Types();
  const auto& type = types[input.TakeByte() % types.size()];
  const cdr::EncodeOptions options = OptionsFrom(input.TakeByte());
  const auto payload = input.TakeRest();

  xtypes::DynamicData decoded(type);
  cdr::Encapsulation encapsulation{};
  try {
    encapsulation = cdr::from_cdr_buffer(decoded, payload.data(), payload.size());
  } catch (const cdr::CdrError&) {
    return 0;
  }
  const std::string text = xtypes::ToText(decoded);
  const auto encoded = cdr::to_cdr_buffer(decoded, options);

  xtypes::DynamicData again(type);
  try {
    cdr::from_cdr_buffer(again, encoded);
  } catch (const cdr::CdrError& error) {
    Fail(std::string("own encoding does not decode: ") + error.what(), text, Hex(encoded));
  }
  const std::string textAgain = xtypes::ToText(again);
  if (text != textAgain) Fail("values differ after re-encoding", text, textAgain);
  const auto encodedAgain = cdr::to_cdr_buffer(again, options);
  if (encoded != encodedAgain) Fail("encoding differs", Hex(encoded), Hex(encodedAgain));
  if (cdr::compute_key_hash(decoded, encapsulation.version) !=
      cdr::compute_key_hash(again, encapsulation.version)) {
    Fail("key hash differs", text, textAgain);
  }
  return 0;
}
