#include "dissection/support/DissectionFixture.h"

#include "dissection/DynamicDataDissector.h"
#include "middleware/xml/XmlTypeReader.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace Quorvel::test {

std::unique_ptr<DDSSample> Dissect(const TypeProcessor& processor,
                                   const xtypes::DynamicDataRef& data, const Formats& formats) {
  auto sample = std::make_unique<DDSSample>(processor, formats.Output());
  DynamicDataDissector(data, *sample);
  return sample;
}

std::vector<std::string> ColumnNames(const TypeProcessor& processor) {
  std::vector<std::string> names;
  for (const auto& column : processor.Columns()) names.push_back(column->nestedNameConcatenated);
  return names;
}

std::filesystem::path TestData(const std::string& relative) {
  return std::filesystem::path(VELTRANE_TEST_DATA_DIR) / relative;
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  const std::string text = ReadText(file);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

const xml::TypeLibrary& RichTypes() {
  static const xml::TypeLibrary library = [] {
    xml::XmlTypeReader reader;
    reader.ReadFile(TestData("types/rich/RichEvolved.xml"));
    return reader.BuildLibrary();
  }();
  return library;
}

std::string MapText(const std::map<std::string, std::string>& map) {
  std::string text;
  for (const auto& [key, value] : map) {
    text += key + " = \"";
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text += '\\';
        text += c;
      } else if (byte < 0x20 || byte >= 0x7F) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        text += escaped;
      } else {
        text += c;
      }
    }
    text += "\"\n";
  }
  return text;
}

}  // namespace Quorvel::test
