#pragma once

// Shared by the dissection tests: output settings built from the engine's format choices,
// one-call dissection of a sample, loading of the rich golden types and payloads, and an
// exact text form of flat maps for expected files.

#include "dissection/Column.h"
#include "dissection/DDSSample.h"
#include "dissection/OutputSettings.h"
#include "dissection/TypeProcessor.h"
#include "middleware/xml/TypeLibrary.h"
#include "middleware/xtypes/DynamicData.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel::test {

struct Formats {
  BooleanFormat boolean = BooleanFormat::NUMERIC;
  EnumOutputFormat enumeration = EnumOutputFormat::VALUE;
  CharArrayFormat charArray = CharArrayFormat::BYTE;
  ByteArrayFormat byteArray = ByteArrayFormat::ELEMENT;
  FieldsOrdering ordering = FieldsOrdering::TYPE_BASED_ORDERING;
  std::uint32_t outputs = DissectionBitMap::kJson | DissectionBitMap::kFlatMap;

  FlatteningOptions Flattening() const { return FlatteningOptions{charArray, byteArray, nullptr}; }
  OutputSettings Output() const {
    return OutputSettings{DissectionBitMap(outputs), boolean, enumeration, ordering};
  }
};

// The sample's outputs after dissecting `data` with a processor built for its type.
std::unique_ptr<DDSSample> Dissect(const TypeProcessor& processor,
                                   const xtypes::DynamicDataRef& data, const Formats& formats);

// Names of the columns in list order (nestedNameConcatenated).
std::vector<std::string> ColumnNames(const TypeProcessor& processor);

std::filesystem::path TestData(const std::string& relative);
std::string ReadText(const std::filesystem::path& file);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);

// The rich golden types (Rich:: and RichEvolved::).
const xml::TypeLibrary& RichTypes();

// Printable, exact: one line per entry, key = "value" with bytes outside printable ASCII,
// quotes and backslashes escaped as \xNN, \" and \\.
std::string MapText(const std::map<std::string, std::string>& map);

}  // namespace Quorvel::test
