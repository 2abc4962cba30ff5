// Injection input against the rich test types. Input: one byte choosing the type, one byte
// choosing the form (bit 0: JSON text or a flat map written as key=value lines; bit 1: report
// unused fields), then the text. Whatever the injector accepts must be a sample the codec can
// write and read back to the same values, as the writer would send it.

#include "dissection/FlatteningOptions.h"
#include "dissection/TypeProcessor.h"
#include "injection/DynamicDataInjector.h"
#include "injection/InjectionInput.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/CdrError.h"
#include "middleware/xml/TypeLibrary.h"
#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"
#include "support/FuzzEnvironment.h"
#include "support/FuzzInput.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Quorvel;

// The selector's first values are the top-level types of the golden samples, whose JSON seeds
// the corpus.
const std::vector<std::unique_ptr<TypeProcessor>>& Processors() {
  static const std::vector<std::unique_ptr<TypeProcessor>> processors = [] {
    xml::XmlTypeReader reader;
    reader.ReadFile(fuzz::TestData("types/rich/RichTypes.xml"));
    const xml::TypeLibrary library = reader.BuildLibrary();
    std::vector<std::unique_ptr<TypeProcessor>> built;
    for (const char* name : {"Rich::FinalAll", "Rich::Extras", "Rich::AppendableRecord",
                             "Rich::MutableRecord", "Rich::Geo::Zone", "Rich::Primitives"}) {
      if (const auto type = library.Find(name)) {
        built.push_back(std::make_unique<TypeProcessor>(name, type, FlatteningOptions{}));
      }
    }
    return built;
  }();
  return processors;
}

// key=value per line, split at the first '='; a line without one is a key with an empty value.
std::map<std::string, std::string> FlatMap(std::string_view text) {
  std::map<std::string, std::string> fields;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const size_t equals = line.find('=');
    fields[std::string(line.substr(0, equals))] =
        equals == std::string_view::npos ? std::string() : std::string(line.substr(equals + 1));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return fields;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "injected sample broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLogging();
  Processors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto& processors = Processors();
  const TypeProcessor& processor = *processors[input.TakeByte() % processors.size()];
  const uint8_t form = input.TakeByte();
  const std::string_view text = input.RestAsText();

  xtypes::DynamicData sample(processor.Type());
  try {
    const nlohmann::ordered_json document =
        (form & 1) == 0 ? injection::ParseInjectionJson(std::string(text), (form & 4) != 0)
                        : injection::MapToInjectionJson(FlatMap(text));
    DynamicDataInjector(sample, document, processor.Columns(), (form & 2) != 0);
  } catch (const std::exception&) {
    // Refused input: the facade reports it to the caller.
    return 0;
  }
  const std::string injected = xtypes::ToText(sample);
  const auto payload = cdr::to_cdr_buffer(sample);
  xtypes::DynamicData received(processor.Type());
  try {
    cdr::from_cdr_buffer(received, payload);
  } catch (const cdr::CdrError& error) {
    Fail(std::string("its payload does not decode: ") + error.what() + "\n  " + injected);
  }
  if (xtypes::ToText(received) != injected) {
    Fail("values change on the wire:\n  " + injected + "\n  " + xtypes::ToText(received));
  }
  return 0;
}
