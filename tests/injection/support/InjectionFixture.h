#pragma once

// Shared by the injection tests: injection of JSON text or a flat map into a fresh sample, and
// dissection of a sample back into its JSON text and flat map under chosen output formats (the
// dissection tests' formats, test data and rich golden types come with it).

#include "dissection/support/DissectionFixture.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicType.h"

#include <map>
#include <string>

namespace Quorvel::test {

using FlatMap = std::map<std::string, std::string>;

struct Texts {
  std::string json;  // empty when the sample has strings that are not UTF-8
  FlatMap map;
};

// A structure member or union case for the test types.
xtypes::Member M(std::string name, xtypes::DynamicTypePtr type, bool key = false, bool optional = false);

// A fresh sample of the processor's type filled from the input; throws what the injector
// throws.
xtypes::DynamicData InjectJson(const TypeProcessor& processor, const std::string& json,
                               bool reportUnusedFields = false);
xtypes::DynamicData InjectMap(const TypeProcessor& processor, const FlatMap& fields,
                              bool reportUnusedFields = false);

// The sample's "SampleData" as the dissection gives it: JSON text and flat map.
Texts DissectTexts(const TypeProcessor& processor, const xtypes::DynamicDataRef& data,
              const Formats& formats);

}  // namespace Quorvel::test
